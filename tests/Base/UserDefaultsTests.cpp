#include "Base/PropertyListFile.h"
#include "Base/UserDefaults.h"

#include "support/LogCapture.h"
#include "support/ManualTime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <sys/stat.h>
#include <thread>

using Base::KeyValueChange;
using Base::PropertyValue;
using Base::UserDefaults;
using Observing = UserDefaults::Observing;

namespace {

PropertyValue::Dictionary everyType() {
    return {
        {"data", QByteArray("\x00\x01\xff", 3)},
        {"date", Base::Date{7.5e8}},
        {"false", false},
        {"integer", qint64(-9007199254740993)},
        {"real", 1.0},
        {"nan", std::nan("")},
        {"infinity", -HUGE_VAL},
        {"string", QStringLiteral("fünf \"5\"")},
        {"array", PropertyValue::Array{1, "a", PropertyValue::Array{}}},
        {"dictionary", PropertyValue::Dictionary{{"nested", PropertyValue::Dictionary{}}}},
    };
}

std::optional<PropertyValue> at(const PropertyValue::Dictionary& values, const char* key) {
    const auto it = values.constFind(QString::fromUtf8(key));
    return it == values.cend() ? std::nullopt : std::optional(*it);
}

class UserDefaultsTest : public ::testing::Test {
protected:
    std::shared_ptr<UserDefaults> open() {
        return UserDefaults::open(QStringLiteral("suite"), folder.path(), scheduler);
    }
    QString filePath() const { return folder.filePath(QStringLiteral("suite.json")); }
    void writeFile(const QByteArray& bytes) const {
        QFile file(filePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray readFile(const QString& path) const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir folder;
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
};

} // namespace

TEST(PropertyListFileTest, EveryTypeSurvivesTheFileWithItsType) {
    const auto decoded =
        Base::PropertyListFile::decode(Base::PropertyListFile::encode(everyType()));
    ASSERT_TRUE(decoded);
    auto expected = everyType();
    auto actual = *decoded;
    // NaN is unequal to itself: check it apart.
    EXPECT_TRUE(std::isnan(*at(actual, "nan")->as<double>()));
    expected.remove("nan");
    actual.remove("nan");
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(at(*decoded, "real")->type(), PropertyValue::Type::real);
    EXPECT_EQ(at(*decoded, "false")->type(), PropertyValue::Type::boolean);
}

TEST(PropertyListFileTest, WritesTaggedValues) {
    const QByteArray text =
        Base::PropertyListFile::encode({{"b", false}, {"a", PropertyValue::Array{1, 0.5}}});
    EXPECT_EQ(text, QByteArray(R"({"format":"parlino-defaults","values":)"
                               R"({"a":{"array":[{"integer":1},{"real":0.5}]},"b":{"bool":false}},)"
                               R"("version":1})"));
}

TEST(PropertyListFileTest, KeepsStringsWithUnpairedSurrogatesExactly) {
    const QString pair = QString::fromUcs4(U"\U0001F600");
    const PropertyValue::Dictionary values{
        {"lone", QStringLiteral("a") + QChar(0xD83D) + QChar(u'b') + QChar(0xDE00)},
        {"nested", PropertyValue::Array{QString(QChar(0xDFFF)), pair}},
        {"pair", pair}};
    const QByteArray text = Base::PropertyListFile::encode(values);
    EXPECT_TRUE(text.contains(R"("lone":{"utf16":[97,55357,98,56832]})")) << text.data();
    EXPECT_TRUE(text.contains(R"("pair":{"string":")")) << text.data();
    EXPECT_EQ(Base::PropertyListFile::decode(text).value(), values);
}

TEST(PropertyListFileTest, RefusesMalformedFiles) {
    for (
        const char* text : {
            "",
            "{}",
            "not json",
            R"({"format":"parlino-defaults","version":2,"values":{}})",
            R"({"format":"parlino-defaults","version":1,"values":{"a":"plain"}})",
            R"({"format":"parlino-defaults","version":1,"values":{"a":{"integer":1.5}}})",
            R"({"format":"parlino-defaults","version":1,"values":{"a":{"bool":1}}})",
            R"({"format":"parlino-defaults","version":1,"values":{"a":{"data":"*"}}})",
            R"({"format":"parlino-defaults","version":1,"values":{"a":{"utf16":[65536]}}})",
            R"({"format":"parlino-defaults","version":1,"values":{"a":{"utf16":[-1]}}})",
            R"({"format":"parlino-defaults","version":1,"values":{"a":{"utf16":"a"}}})",
            R"({"format":"parlino-defaults","version":1,"values":{"a":{"string":"x","bool":true}}})",
        })
        EXPECT_FALSE(Base::PropertyListFile::decode(text)) << text;
}

TEST_F(UserDefaultsTest, PersistentValuesWinOverRegisteredOnes) {
    auto defaults = open();
    defaults->registerDefaults({{"a", 1}, {"b", 2}});
    defaults->set("b", 3);
    EXPECT_EQ(defaults->objectForKey("a"), PropertyValue(1));
    EXPECT_EQ(defaults->objectForKey("b"), PropertyValue(3));
    EXPECT_EQ(defaults->dictionaryRepresentation(),
              (PropertyValue::Dictionary{{"a", 1}, {"b", 3}}));
    defaults->remove("b");
    EXPECT_EQ(defaults->objectForKey("b"), PropertyValue(2));
    EXPECT_EQ(defaults->objectForKey("c"), std::nullopt);
}

TEST_F(UserDefaultsTest, SurvivesARestartWithoutItsRegistrations) {
    auto defaults = open();
    defaults->registerDefaults({{"registered", true}});
    const auto values = everyType();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        defaults->set(it.key(), it.value());
    defaults.reset();

    auto reopened = open();
    EXPECT_EQ(reopened->objectForKey("registered"), std::nullopt);
    EXPECT_EQ(reopened->objectForKey("data"), at(everyType(), "data"));
    EXPECT_EQ(reopened->objectForKey("false"), PropertyValue(false));
    EXPECT_EQ(reopened->objectForKey("dictionary"), at(everyType(), "dictionary"));
    EXPECT_EQ(reopened->dictionaryRepresentation().size(), everyType().size());
}

TEST_F(UserDefaultsTest, SavesOnceAfterTheDelay) {
    auto defaults = open();
    defaults->set("a", 1);
    clock.set(0.5);
    defaults->set("a", 2);
    EXPECT_EQ(scheduler.pendingCount(), 1u);
    EXPECT_FALSE(QFile::exists(filePath()));
    scheduler.advance(UserDefaults::saveDelay);
    EXPECT_EQ(at(Base::PropertyListFile::decode(readFile(filePath())).value(), "a"),
              PropertyValue(2));
    defaults->set("a", 3);
    EXPECT_EQ(scheduler.pendingCount(), 1u);
}

TEST_F(UserDefaultsTest, AChangeAfterAFlushIsSavedByTheScheduledSave) {
    auto defaults = open();
    defaults->set("a", 1);
    defaults->flush();
    defaults->set("a", 2);
    scheduler.advance(UserDefaults::saveDelay);
    EXPECT_EQ(at(Base::PropertyListFile::decode(readFile(filePath())).value(), "a"),
              PropertyValue(2));
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(UserDefaultsTest, MovesAnUnreadableFileAsideAndStartsFromDefaults) {
    writeFile("{ broken");
    writeFile("{ broken");
    QFile(filePath()).copy(filePath() + ".corrupt");
    auto defaults = open();
    EXPECT_EQ(defaults->dictionaryRepresentation(), PropertyValue::Dictionary{});
    EXPECT_FALSE(QFile::exists(filePath()));
    EXPECT_EQ(readFile(filePath() + ".corrupt-2"), QByteArray("{ broken"));

    defaults->set("a", 1);
    defaults->flush();
    EXPECT_EQ(open()->objectForKey("a"), PropertyValue(1));
}

TEST_F(UserDefaultsTest, NeverOverwritesAFileItCouldNotMoveAside) {
    writeFile("{ broken");
    // Every name the file could be moved to is taken.
    QFile(filePath()).copy(filePath() + ".corrupt");
    for (int i = 2; i <= 100; ++i)
        QFile(filePath()).copy(filePath() + ".corrupt-" + QString::number(i));
    auto defaults = open();
    defaults->set("a", 1);
    defaults.reset();
    EXPECT_EQ(readFile(filePath()), QByteArray("{ broken"));
}

TEST_F(UserDefaultsTest, KeepsEveryWriteOfTwoThreads) {
    auto defaults = open();
    constexpr int count = 500;
    auto writeAll = [&](const QString& prefix) {
        for (int i = 0; i < count; ++i)
            defaults->set(prefix + QString::number(i), i);
    };
    int notified = 0;
    std::mutex notifiedMutex;
    defaults->addObserver("x7", Observing::newValue, [&](const KeyValueChange&) {
        std::lock_guard lock(notifiedMutex);
        ++notified;
    });
    std::thread first(writeAll, QStringLiteral("x"));
    std::thread second(writeAll, QStringLiteral("y"));
    first.join();
    second.join();
    defaults.reset();

    const auto values = open()->dictionaryRepresentation();
    EXPECT_EQ(values.size(), 2 * count);
    EXPECT_EQ(at(values, "y499"), PropertyValue(499));
    EXPECT_EQ(notified, 1);
}

TEST_F(UserDefaultsTest, NotifiesWithTheRequestedValues) {
    auto defaults = open();
    defaults->set("k", 1);
    QList<KeyValueChange> changes;
    const auto record = [&](const KeyValueChange& change) { changes.append(change); };
    defaults->addObserver("k", Observing::newValue | Observing::oldValue | Observing::prior,
                          record);
    defaults->addObserver("k", Observing::newValue | Observing::initial, record);
    defaults->addObserver("other", Observing::newValue, record);

    ASSERT_EQ(changes.size(), 1);
    EXPECT_FALSE(changes[0].isPrior);
    EXPECT_EQ(changes[0].newValue, PropertyValue(1));
    EXPECT_EQ(changes[0].oldValue, std::nullopt);

    changes.clear();
    defaults->set("k", 1);
    ASSERT_EQ(changes.size(), 3);
    EXPECT_TRUE(changes[0].isPrior);
    EXPECT_EQ(changes[0].oldValue, PropertyValue(1));
    EXPECT_EQ(changes[0].newValue, std::nullopt);
    EXPECT_EQ(changes[1].oldValue, PropertyValue(1));
    EXPECT_EQ(changes[1].newValue, PropertyValue(1));
    EXPECT_EQ(changes[2].oldValue, std::nullopt);

    changes.clear();
    defaults->remove("k");
    ASSERT_EQ(changes.size(), 3);
    EXPECT_EQ(changes[1].newValue, std::nullopt);
}

TEST_F(UserDefaultsTest, NotifiesARegistrationOnlyWhenItChangesTheValue) {
    auto defaults = open();
    defaults->set("set", 1);
    QStringList changed;
    for (const char* key : {"set", "new", "same"})
        defaults->addObserver(key, Observing::newValue,
                              [&, key](const KeyValueChange&) { changed.append(key); });
    defaults->registerDefaults({{"same", 5}});
    changed.clear();
    defaults->registerDefaults({{"set", 2}, {"new", 2}, {"same", 5}});
    EXPECT_EQ(changed, QStringList{"new"});
}

TEST_F(UserDefaultsTest, RemovedObserversHearNothing) {
    auto defaults = open();
    int calls = 0;
    UserDefaults::ObserverToken token = 0;
    token = defaults->addObserver("k", Observing::newValue, [&](const KeyValueChange&) {
        ++calls;
        defaults->removeObserver(token);
    });
    defaults->set("k", 1);
    defaults->set("k", 2);
    EXPECT_EQ(calls, 1);
}

TEST_F(UserDefaultsTest, RemovingOneObserverLeavesTheOthersOfItsKeyAndOfOtherKeys) {
    auto defaults = open();
    QStringList heard;
    const auto listen = [&](const char* key, const char* tag) {
        return defaults->addObserver(key, Observing::newValue,
                                     [&, tag](const KeyValueChange&) { heard.append(tag); });
    };
    const auto first = listen("k", "k1");
    listen("k", "k2");
    const auto other = listen("j", "j");
    defaults->removeObserver(first);
    defaults->removeObserver(first);
    defaults->set("k", 1);
    defaults->set("j", 1);
    EXPECT_EQ(heard, QStringList({"k2", "j"}));

    heard.clear();
    defaults->removeObserver(other);
    listen("j", "j again");
    defaults->set("j", 2);
    EXPECT_EQ(heard, QStringList{"j again"});
}

TEST(UserDefaultsNameTest, ASuiteThatIsNoFileNameLivesInMemory) {
    QTemporaryDir folder;
    auto defaults = UserDefaults::open(QStringLiteral("../escape"), folder.path());
    EXPECT_TRUE(defaults->filePath().isEmpty());
    defaults->set("a", 1);
    defaults->flush();
    EXPECT_EQ(defaults->objectForKey("a"), PropertyValue(1));
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

// A file that could not be read is not known to be damaged: it must survive the run untouched.
TEST_F(UserDefaultsTest, LeavesAFileItCannotReadAsItIsAndSavesNothing) {
    const auto expectUntouched = [&](const char* kind, const auto& isStillThere) {
        auto defaults = open();
        EXPECT_EQ(defaults->dictionaryRepresentation(), PropertyValue::Dictionary{}) << kind;
        defaults->set("a", 1);
        EXPECT_EQ(defaults->objectForKey("a"), PropertyValue(1)) << kind;
        defaults.reset(); // saves, were it going to
        EXPECT_TRUE(isStillThere()) << kind;
        EXPECT_FALSE(QFileInfo::exists(filePath() + ".corrupt")) << kind;
    };
    ASSERT_TRUE(QDir(folder.path()).mkdir("suite.json"));
    expectUntouched("a folder", [&] { return QFileInfo(filePath()).isDir(); });
    ASSERT_TRUE(QDir(folder.path()).rmdir("suite.json"));

    // Opening a pipe that has no writer would wait for one forever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(filePath()).constData(), 0600), 0);
    expectUntouched("a pipe", [&] {
        struct stat info {};
        return ::lstat(QFile::encodeName(filePath()).constData(), &info) == 0 &&
               S_ISFIFO(info.st_mode);
    });
}

// The first save replaces the link with a file of its own, and says so: the user's dotfile keeps
// what it held.
TEST_F(UserDefaultsTest, FollowsALinkToARegularSettingsFileAndSaysWhenASaveReplacesIt) {
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath("kept.json");
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Base::PropertyListFile::encode({{"a", 7}}));
    file.close();
    ASSERT_TRUE(QFile::link(target, filePath()));
    TestSupport::LogCapture logs;
    auto defaults = open();
    EXPECT_EQ(defaults->objectForKey("a"), PropertyValue(7));
    EXPECT_TRUE(logs.messages().isEmpty());

    defaults->set("a", 8);
    defaults->flush();
    EXPECT_FALSE(QFileInfo(filePath()).isSymLink());
    EXPECT_EQ(at(Base::PropertyListFile::decode(readFile(target)).value(), "a"), PropertyValue(7));
    EXPECT_EQ(logs.messages(),
              QStringList{"Settings file " + filePath() +
                          " was a symbolic link — replaced with a regular file; what it led to is "
                          "no longer updated"});
    defaults->set("a", 9);
    defaults->flush();
    EXPECT_EQ(logs.messages().size(), 1);
}

// The tree of a document this deep would overflow the stack when copied or torn down.
TEST(PropertyListFileTest, RefusesDeepNestingAnywhereInTheFile) {
    const QByteArray deep = QByteArray(100000, '[') + QByteArray(100000, ']');
    for (const QByteArray& text :
         {R"({"format":)" + deep + R"(,"version":1,"values":{}})",
          R"({"format":"parlino-defaults","version":)" + deep + R"(,"values":{}})",
          R"({"format":"parlino-defaults","version":1,"values":{"a":{"array":)" + deep + "}}}"})
        EXPECT_FALSE(Base::PropertyListFile::decode(text));
}

TEST(PropertyListFileTest, KeepsALeadingByteOrderMarkInKeysAndValues) {
    const QString bom(QChar(0xFEFF));
    const PropertyValue::Dictionary values{
        {bom + "key", PropertyValue(bom + bom + "value")},
        {"nested", PropertyValue(PropertyValue::Array{PropertyValue(bom)})},
    };
    EXPECT_EQ(Base::PropertyListFile::decode(Base::PropertyListFile::encode(values)).value(),
              values);
}
