#include "Defaults/Defaults.h"

#include "Suite.h"

#include <QSet>

#include <limits>
#include <stdexcept>

using Base::PropertyValue;

namespace {

class KeyTest : public SuiteTest {};

} // namespace

TEST_F(KeyTest, AFixedDefaultIsRegisteredAndRead) {
    const Defaults::Key<double> rate("rate", 1.0, suite);
    EXPECT_EQ(stored("rate"), PropertyValue(1.0));
    EXPECT_EQ(Defaults::get(rate), 1.0);
    EXPECT_TRUE(rate.isDefaultValue());
    Defaults::set(rate, 1.5);
    EXPECT_EQ(Defaults::get(rate), 1.5);
    EXPECT_FALSE(rate.isDefaultValue());
    Defaults::set(rate, 1.0);
    EXPECT_TRUE(rate.isDefaultValue());
}

TEST_F(KeyTest, AnOptionalKeyRegistersNothingAndRemovesOnEmptyWrites) {
    const Defaults::Key<std::optional<QString>> voice("voice", suite);
    EXPECT_EQ(stored("voice"), std::nullopt);
    EXPECT_EQ(Defaults::get(voice), std::nullopt);
    Defaults::set(voice, QStringLiteral("v1"));
    EXPECT_EQ(stored("voice"), PropertyValue("v1"));
    Defaults::set(voice, std::nullopt);
    EXPECT_EQ(stored("voice"), std::nullopt);
}

TEST_F(KeyTest, AComputedDefaultIsNotRegisteredAndIsAskedForOnEveryMiss) {
    int calls = 0;
    const auto key = Defaults::Key<int>::computed(
        "n", [&] { return ++calls; }, suite);
    EXPECT_EQ(stored("n"), std::nullopt);
    EXPECT_EQ(Defaults::get(key), 1);
    EXPECT_EQ(Defaults::get(key), 2);
    Defaults::set(key, 9);
    EXPECT_EQ(Defaults::get(key), 9);
    EXPECT_EQ(calls, 2);
}

TEST_F(KeyTest, AStoredValueOfAnotherTypeReadsAsTheDefaultAndStays) {
    const Defaults::Key<int> count("count", 3, suite);
    suite->set("count", "many");
    EXPECT_EQ(Defaults::get(count), 3);
    EXPECT_EQ(stored("count"), PropertyValue("many"));
}

TEST_F(KeyTest, TheWholeUnsignedRangeSurvivesARestart) {
    constexpr quint64 largest = std::numeric_limits<quint64>::max();
    {
        const Defaults::Key<quint64> big("big", 1, suite);
        Defaults::set(big, largest - 1);
        EXPECT_EQ(Defaults::get(big), largest - 1);
    }
    suite.reset(); // the last holder: saves the suite
    suite = Base::UserDefaults::open(QStringLiteral("test"), folder.path(), scheduler);
    const Defaults::Key<quint64> reopened("big", 1, suite);
    EXPECT_EQ(Defaults::get(reopened), largest - 1);
}

TEST_F(KeyTest, ResetAndRemoveAllBringBackTheDefaults) {
    const Defaults::Key<bool> a("a", true, suite);
    const Defaults::Key<QString> b("b", "bee", suite);
    Defaults::set(a, false);
    Defaults::set(b, QStringLiteral("x"));
    suite->set("undeclared", 1);

    a.reset();
    EXPECT_TRUE(Defaults::get(a));
    Defaults::set(a, false);
    Defaults::reset(a, b);
    EXPECT_TRUE(Defaults::get(a));
    EXPECT_EQ(Defaults::get(b), "bee");

    Defaults::set(a, false);
    Defaults::reset(QStringList{"a", "undeclared"}, *suite);
    EXPECT_TRUE(Defaults::get(a));
    EXPECT_EQ(stored("undeclared"), std::nullopt);

    Defaults::set(b, QStringLiteral("x"));
    suite->set("undeclared", 1);
    Defaults::removeAll(*suite);
    EXPECT_EQ(Defaults::get(b), "bee");
    EXPECT_EQ(stored("undeclared"), std::nullopt);
}

TEST_F(KeyTest, ModifyWritesBackEvenWhenAbandoned) {
    const Defaults::Key<QList<QString>> recent("recent", {}, suite);
    Defaults::modify(recent, [](QList<QString>& list) { list.append("a"); });
    EXPECT_THROW(Defaults::modify(recent,
                                  [](QList<QString>& list) {
                                      list.append("b");
                                      throw std::runtime_error("abandoned");
                                  }),
                 std::runtime_error);
    EXPECT_EQ(Defaults::get(recent), (QList<QString>{"a", "b"}));
}

TEST_F(KeyTest, KeysAreEqualByNameAndSuite) {
    auto other = Base::UserDefaults::open("other", folder.path(), scheduler);
    const Defaults::Key<int> number("same", 1, suite);
    const Defaults::Key<QString> text("same", "x", suite);
    const Defaults::Key<int> elsewhere("same", 1, other);
    EXPECT_EQ(Defaults::AnyKey(number), Defaults::AnyKey(text));
    EXPECT_EQ(qHash(Defaults::AnyKey(number)), qHash(Defaults::AnyKey(text)));
    EXPECT_NE(Defaults::AnyKey(number), Defaults::AnyKey(elsewhere));
    EXPECT_EQ((QSet<Defaults::AnyKey>{number, text, elsewhere}.size()), 2);
}

TEST_F(KeyTest, ValuesSurviveARestart) {
    {
        const Defaults::Key<QMap<QString, double>> levels("levels", {}, suite);
        Defaults::set(levels, {{"a", 0.5}});
    }
    suite.reset(); // the last holder: saves the suite
    suite = Base::UserDefaults::open(QStringLiteral("test"), folder.path(), scheduler);
    const Defaults::Key<QMap<QString, double>> reopened("levels", {}, suite);
    EXPECT_EQ(Defaults::get(reopened), (QMap<QString, double>{{"a", 0.5}}));
}

TEST(KeyPathTest, DotsLeadingAtSignsAndNonAsciiAreInvalid) {
    EXPECT_TRUE(Defaults::isValidKeyPath(""));
    EXPECT_TRUE(Defaults::isValidKeyPath("playbackRate"));
    EXPECT_TRUE(Defaults::isValidKeyPath("a@b\r\n"));
    EXPECT_FALSE(Defaults::isValidKeyPath("a.b"));
    EXPECT_FALSE(Defaults::isValidKeyPath("@count"));
    EXPECT_FALSE(Defaults::isValidKeyPath("café"));
}
