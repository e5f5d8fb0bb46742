#include "KeyboardShortcuts/Storage.h"

#include "support/ManualTime.h"
#include "support/Printers.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace KeyboardShortcuts;
using Base::PropertyValue;

namespace {

const QString readSelectionKey = QStringLiteral("KeyboardShortcuts_readSelection");
const QString controlShiftSJson = QStringLiteral(R"({"carbonKeyCode":1,"carbonModifiers":4608})");

const Shortcut controlShiftS(Key::s, ModifierFlag::control | ModifierFlag::shift);
const Shortcut commandR(Key::r, ModifierFlag::command);

// Records the calls the writers make to keep the hot keys in step.
class RecordingHotKeySync final : public HotKeySync {
public:
    void unregisterIfUnused(const Shortcut& shortcut,
                            const std::optional<Name>& excluding) override {
        calls << QStringLiteral("unregister %1 excluding %2")
                     .arg(shortcut.toJson(), excluding ? excluding->rawValue() : "-");
    }
    void registerIfNeeded(const Name& name) override {
        calls << QStringLiteral("register %1 storing %2")
                     .arg(name.rawValue(), getShortcut(name) ? getShortcut(name)->toJson() : "-");
    }

    QStringList calls;
};

class StorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        setStore(suite);
        setHotKeySync(&sync);
    }
    void TearDown() override {
        setStore(nullptr);
        setHotKeySync(nullptr);
    }

    std::optional<PropertyValue> stored(const QString& key) const {
        return suite->objectForKey(key);
    }

    QTemporaryDir folder;
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    std::shared_ptr<Base::UserDefaults> suite =
        Base::UserDefaults::open(QStringLiteral("test"), folder.path(), scheduler);
    RecordingHotKeySync sync;

    // Every change notification as "<name>" or "<name> (default)".
    QStringList notified;
    Base::NotificationCenter::ObserverToken observer =
        Base::NotificationCenter::defaultCenter().addObserver(
            shortcutByNameDidChange, [this](const Base::Notification& notification) {
                const auto name = Name::fromNotification(notification);
                ASSERT_TRUE(name);
                notified << name->rawValue() + (name->initialShortcut()
                                                    ? QStringLiteral(" (default)")
                                                    : QString());
            });
};

} // namespace

TEST_F(StorageTest, ANameWithADefaultStoresItOnceWhenNothingIsStored) {
    const Name readSelection(QStringLiteral("readSelection"), controlShiftS);
    EXPECT_EQ(stored(readSelectionKey), PropertyValue(controlShiftSJson));
    EXPECT_EQ(getShortcut(readSelection), controlShiftS);
    EXPECT_EQ(readSelection.shortcut(), controlShiftS);
    EXPECT_TRUE(notified.isEmpty());
    EXPECT_TRUE(sync.calls.isEmpty());

    setShortcut(commandR, readSelection);
    const Name again(QStringLiteral("readSelection"), controlShiftS);
    EXPECT_EQ(getShortcut(again), commandR);

    setShortcut(std::nullopt, again);
    const Name third(QStringLiteral("readSelection"), controlShiftS);
    EXPECT_EQ(stored(readSelectionKey), PropertyValue(false));
    EXPECT_EQ(storedShortcut(third), StoredShortcut::disabled());
    EXPECT_EQ(getShortcut(third), std::nullopt);
}

TEST_F(StorageTest, ANameWithoutADefaultStoresNothing) {
    const Name openPanel(QStringLiteral("openPanel"));
    EXPECT_EQ(stored(QStringLiteral("KeyboardShortcuts_openPanel")), std::nullopt);
    EXPECT_EQ(storedShortcut(openPanel), StoredShortcut::none());
}

TEST_F(StorageTest, UnreadableStoredValuesReadAsNoneStayAndKeepTheDefaultOut) {
    for (const PropertyValue& value :
         {PropertyValue("not json"), PropertyValue(R"({"carbonKeyCode":1})"), PropertyValue(true),
          PropertyValue(qint64(4608)), PropertyValue(QByteArray(controlShiftSJson.toUtf8()))}) {
        suite->set(readSelectionKey, value);
        const Name readSelection(QStringLiteral("readSelection"), controlShiftS);
        EXPECT_EQ(storedShortcut(readSelection), StoredShortcut::none());
        EXPECT_EQ(stored(readSelectionKey), value);
    }
}

TEST_F(StorageTest, StoringReleasesTheOldHotKeyWritesRegistersAndNotifiesEveryTime) {
    const Name name(QStringLiteral("replayLast"));
    setShortcut(controlShiftS, name);
    setShortcut(commandR, name);
    setShortcut(commandR, name);

    EXPECT_EQ(stored(QStringLiteral("KeyboardShortcuts_replayLast")),
              PropertyValue(commandR.toJson()));
    const QString r = commandR.toJson();
    EXPECT_EQ(sync.calls, QStringList({"register replayLast storing " + controlShiftSJson,
                                       "unregister " + controlShiftSJson + " excluding replayLast",
                                       "register replayLast storing " + r,
                                       "unregister " + r + " excluding replayLast",
                                       "register replayLast storing " + r}));
    EXPECT_EQ(notified, QStringList({"replayLast", "replayLast", "replayLast"}));
}

TEST_F(StorageTest, ClearingANameWithADefaultStoresFalseOnce) {
    const Name readSelection(QStringLiteral("readSelection"), controlShiftS);
    readSelection.setShortcut(std::nullopt);
    readSelection.setShortcut(std::nullopt);

    EXPECT_EQ(stored(readSelectionKey), PropertyValue(false));
    EXPECT_EQ(sync.calls,
              QStringList({"unregister " + controlShiftSJson + " excluding readSelection",
                           "register readSelection storing -"}));
    EXPECT_EQ(notified, QStringList({"readSelection (default)"}));
}

TEST_F(StorageTest, ClearingANameWithADefaultAndNothingStoredStoresFalse) {
    const Name readSelection(QStringLiteral("readSelection"), controlShiftS);
    suite->remove(readSelectionKey);

    readSelection.setShortcut(std::nullopt);

    EXPECT_EQ(stored(readSelectionKey), PropertyValue(false));
    EXPECT_EQ(notified, QStringList({"readSelection (default)"}));
}

TEST_F(StorageTest, ClearingANameWithoutADefaultRemovesTheKeyOnce) {
    Name(QStringLiteral("readSelection"), controlShiftS);
    const Name rawOnly = Name::fromRawValue(QStringLiteral("readSelection"));
    setShortcut(std::nullopt, rawOnly);
    setShortcut(std::nullopt, rawOnly);

    EXPECT_EQ(stored(readSelectionKey), std::nullopt) << "removed, not switched off";
    EXPECT_EQ(notified, QStringList({"readSelection"}));
    EXPECT_EQ(sync.calls.size(), 2);
}

TEST_F(StorageTest, ResetStoresDefaultsAndRemovesOnlyWhatIsThere) {
    const Name readSelection(QStringLiteral("readSelection"), controlShiftS);
    const Name openPanel(QStringLiteral("openPanel"));
    const Name replayLast(QStringLiteral("replayLast"));
    setShortcut(commandR, openPanel);
    notified.clear();

    reset(readSelection, openPanel, replayLast);

    EXPECT_EQ(stored(readSelectionKey), PropertyValue(controlShiftSJson));
    EXPECT_EQ(stored(QStringLiteral("KeyboardShortcuts_openPanel")), std::nullopt);
    EXPECT_EQ(notified, QStringList({"readSelection (default)", "openPanel"}))
        << "the default is stored and posted although it was stored already";
}

TEST_F(StorageTest, TheListingAndRemoveAllCoverEveryPrefixedKey) {
    Name(QStringLiteral("readSelection"), controlShiftS);
    suite->set(QStringLiteral("KeyboardShortcuts_retired"), false);
    suite->set(QStringLiteral("KeyboardShortcuts_"), "junk");
    suite->set(QStringLiteral("playbackRate"), 1.5);

    const auto names = storedShortcutNames();
    EXPECT_EQ(names, QSet<Name>({Name::fromRawValue("readSelection"), Name::fromRawValue("retired"),
                                 Name::fromRawValue("")}));
    for (const auto& name : names)
        EXPECT_FALSE(name.initialShortcut());

    removeAllStoredShortcuts();

    EXPECT_EQ(suite->dictionaryRepresentation().keys(), QStringList({"playbackRate"}));
    notified.sort();
    EXPECT_EQ(notified, QStringList({"", "readSelection", "retired"}));
}

TEST_F(StorageTest, ANotificationWithoutANameGivesNone) {
    EXPECT_EQ(Name::fromNotification({shortcutByNameDidChange, {}}), std::nullopt);
    EXPECT_EQ(Name::fromNotification(
                  {shortcutByNameDidChange, {{QStringLiteral("name"), QStringLiteral("x")}}}),
              std::nullopt);
}
