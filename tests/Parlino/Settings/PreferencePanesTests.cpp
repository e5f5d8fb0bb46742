#include "KeyboardShortcuts/Recorder.h"
#include "KeyboardShortcuts/ShortcutRegistry.h"
#include "Parlino/Services/AppShortcutNames.h"
#include "Parlino/Settings/AppearancePane.h"
#include "Parlino/Settings/GeneralPane.h"
#include "Parlino/Settings/PaneControls.h"
#include "Parlino/Settings/PlaybackPane.h"
#include "Parlino/Settings/SettingsNavigation.h"
#include "Parlino/Settings/SettingsServices.h"
#include "Parlino/Settings/SettingsView.h"
#include "Parlino/Settings/ShortcutsPane.h"
#include "Parlino/Settings/VoiceMeshTimeline.h"
#include "Parlino/Storage/StorageFiles.h"
#include "Parlino/Style/ArmedButton.h"
#include "Parlino/Style/FocusRest.h"
#include "Parlino/Style/NumberText.h"
#include "Parlino/Style/ParlinoButton.h"
#include "Parlino/Style/PointerMotion.h"
#include "Parlino/Style/Theme.h"

#include "PaneTesting.h"
#include "VoicesTesting.h"
#include "support/EventLoop.h"
#include "support/FakeKeyboardLayout.h"
#include "support/FakeSecretStore.h"
#include "support/Screenshots.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Parlino;
using KeyboardShortcuts::Shortcut;
namespace Names = AppShortcutNames;

namespace {

const Shortcut controlShiftS(1, KeyboardShortcuts::CarbonModifier::control |
                                    KeyboardShortcuts::CarbonModifier::shift);
const Shortcut commandR(15, KeyboardShortcuts::CarbonModifier::command);

struct PreferencePanesTest : PaneTesting::PaneTest {
    QString cacheFile() const {
        return StorageFiles::toText(cacheRoot / "audio" / "entry" / "0.mp3");
    }
    void writeCacheFile(qint64 bytes) {
        // Once the store has walked its entries: this folder has no manifest.
        ASSERT_TRUE(TestSupport::pumpUntil([&] { return cache.isOpen(); }));
        std::filesystem::create_directories(cacheRoot / "audio" / "entry");
        QFile file(cacheFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(bytes, 'x'));
    }
    void clearAllShortcuts() {
        for (const auto& name : Names::all())
            KeyboardShortcuts::setShortcut(std::nullopt, name);
    }
    void write(const auto& key, const auto& value) {
        Defaults::set(key, value);
        TestSupport::drainEvents();
    }
    template <class T> T& find(QWidget& pane, const char* name) {
        auto* child = pane.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return *child;
    }
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    MotionPreferences preferences;
    PointerMotion pointer{clock, scheduler};
    TestSupport::FakeSecretStore secrets;
    QNetworkAccessManager session;
    Base::NotificationCenter notifications;
    int tutorials = 0;
    VoicesTesting::VoicesWorld voices;
    VoiceMeshTimeline avatarTimeline{scheduler, [] { return Base::Date{800000000}; }};
    SettingsServices services{secrets,
                              session,
                              QUrl(),
                              notifications,
                              {clock, scheduler, preferences},
                              pointer,
                              [] {},
                              keys,
                              registry,
                              loginItem,
                              desktopSettings,
                              recordings.recordings,
                              cache,
                              QStringLiteral("Parlino 1.2 (45)"),
                              [this] { ++tutorials; },
                              {voices.model, voices.samples, avatarTimeline}};
};

TEST_F(PreferencePanesTest, ShortcutsPaneWarnsAndDisablesTheTapControlsWhileTheTapIsOff) {
    clearAllShortcuts();
    write(keys.rightCommandTapEnabled, false);
    ShortcutsPane pane(services);
    EXPECT_FALSE(pane.warning().isHidden());
    EXPECT_FALSE(pane.tapKeyPicker().isEnabled());
    EXPECT_FALSE(pane.doubleTapToggle().isEnabled());

    write(keys.rightCommandTapEnabled, true);
    EXPECT_TRUE(pane.warning().isHidden());
    EXPECT_TRUE(pane.tapKeyPicker().isEnabled());
    EXPECT_TRUE(pane.doubleTapToggle().isEnabled());
    EXPECT_EQ(pane.doubleTapToggle().text(), QStringLiteral("Double-tap Right Super"));
}

namespace {

// What a screen reader takes for the label of `widget`: the names of what labels it.
QStringList labelsOf(QWidget& widget) {
    QStringList names;
    const auto relations =
        QAccessible::queryAccessibleInterface(&widget)->relations(QAccessible::Label);
    for (const auto& [label, relation] : relations)
        names << label->text(QAccessible::Name);
    return names;
}

} // namespace

TEST_F(PreferencePanesTest, PickersAreLabelledAndRecordersNamedByWhatTheyDo) {
    PlaybackPane playback(services);
    EXPECT_EQ(labelsOf(find<QComboBox>(playback, "DefaultSpeedPicker")),
              QStringList{QStringLiteral("Default speed")});
    EXPECT_EQ(labelsOf(find<QComboBox>(playback, "VoiceModelPicker")),
              QStringList{QStringLiteral("Voice model")});

    ShortcutsPane shortcuts(services);
    EXPECT_EQ(labelsOf(shortcuts.tapKeyPicker()), QStringList{QStringLiteral("Tap key")});
    auto& tap = find<QCheckBox>(shortcuts, "TapToggle");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&tap)->text(QAccessible::Name),
              QStringLiteral("Tap to read"));
    // The title before the picker toggles the switch, as the switch's own title would.
    const bool wasOn = tap.isChecked();
    QLabel* title = nullptr;
    for (auto* label : shortcuts.findChildren<QLabel*>())
        if (label->buddy() == &shortcuts.tapKeyPicker())
            title = label;
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), QStringLiteral("Tap"));
    QTest::mouseClick(title, Qt::LeftButton);
    EXPECT_NE(tap.isChecked(), wasOn);

    QStringList names;
    for (const auto& name : {Names::readSelection(), Names::replayLast(), Names::openPanel()}) {
        auto& field = shortcuts.recorder(name).control();
        const QString fieldName =
            QAccessible::queryAccessibleInterface(&field)->text(QAccessible::Name);
        EXPECT_EQ(labelsOf(field), QStringList{fieldName}) << "a reader says the label alone";
        names << fieldName;
    }
    EXPECT_EQ(names, (QStringList{QStringLiteral("Shortcut to read the selection"),
                                  QStringLiteral("Shortcut to replay the last recording"),
                                  QStringLiteral("Shortcut to open Parlino")}));
}

// A screen reader reads a combo box's value from its text, and joins a text's runs of attributes:
// the picker's value and the recorder's whole shortcut must be in them.
TEST_F(PreferencePanesTest, AssistiveToolsGetThePickersValueAndTheWholeShortcutAsText) {
    ShortcutsPane shortcuts(services);
    QComboBox& picker = shortcuts.tapKeyPicker();
    QAccessibleInterface* pickerInterface = QAccessible::queryAccessibleInterface(&picker);
    ASSERT_NE(pickerInterface, nullptr);
    EXPECT_EQ(pickerInterface->role(), QAccessible::ComboBox);
    EXPECT_EQ(pickerInterface->childCount(), 1) << "its list";
    QAccessibleTextInterface* value = pickerInterface->textInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_FALSE(picker.currentText().isEmpty());
    EXPECT_EQ(value->text(0, value->characterCount()), picker.currentText());
    picker.setCurrentIndex((picker.currentIndex() + 1) % picker.count());
    EXPECT_EQ(value->text(0, value->characterCount()), picker.currentText());
    int runStart = -1;
    int runEnd = -1;
    value->attributes(value->characterCount() - 1, &runStart, &runEnd);
    EXPECT_EQ(std::pair(runStart, runEnd), std::pair(0, value->characterCount()));

    auto& field = shortcuts.recorder(Names::readSelection()).control();
    field.setText(QStringLiteral("Ctrl+Alt+Shift+O"));
    QAccessibleInterface* fieldInterface = QAccessible::queryAccessibleInterface(&field);
    ASSERT_NE(fieldInterface, nullptr);
    EXPECT_EQ(fieldInterface->text(QAccessible::Value), QStringLiteral("Ctrl+Alt+Shift+O"));
    QAccessibleTextInterface* text = fieldInterface->textInterface();
    ASSERT_NE(text, nullptr);
    ASSERT_EQ(text->characterCount(), 16);
    for (int offset = 0; offset < 16; ++offset) {
        int start = -1;
        int end = -1;
        text->attributes(offset, &start, &end);
        EXPECT_EQ(std::pair(start, end), std::pair(0, 16)) << "one run holds every character";
    }
    field.selectAll();
    int start = -1;
    int end = -1;
    text->selection(0, &start, &end);
    EXPECT_EQ(text->text(start, end), QStringLiteral("Ctrl+Alt+Shift+O"));
}

TEST(PaneText, KeepsTheIsolatesOfItsNumbersForDrawingAndGivesReadersTheBareText) {
    const QString used = NumberText::isolated(QStringLiteral("1,234"));
    const std::unique_ptr<QLabel> line(
        paneText(used + QStringLiteral(" / 10,000 characters used this month"), 12, QFont::Normal,
                 Qt::white));
    EXPECT_TRUE(line->text().startsWith(QChar(0x2068)));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(line.get())->text(QAccessible::Name),
              QStringLiteral("1,234 / 10,000 characters used this month"));
    setPaneText(*line, QStringLiteral("Checking…"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(line.get())->text(QAccessible::Name),
              QStringLiteral("Checking…"));
}

TEST_F(PreferencePanesTest, TapKeyPickerShowsRightCommandForAnUnknownValueWithoutRewritingIt) {
    write(keys.tapModifier, QStringLiteral("capsLock"));
    ShortcutsPane pane(services);
    EXPECT_EQ(pane.tapKeyPicker().currentText(), QStringLiteral("Right Super"));
    EXPECT_EQ(Defaults::get(keys.tapModifier), QStringLiteral("capsLock"));

    emit pane.tapKeyPicker().activated(1);
    TestSupport::drainEvents();
    EXPECT_EQ(Defaults::get(keys.tapModifier), QStringLiteral("rightOption"));
    EXPECT_EQ(pane.doubleTapToggle().text(), QStringLiteral("Double-tap Right Alt"));
}

TEST_F(PreferencePanesTest, RecordersRefuseACombinationAnotherShortcutUses) {
    TestSupport::KeyboardLayoutScope layout{TestSupport::FakeKeyboardLayout::us()};
    clearAllShortcuts();
    KeyboardShortcuts::setShortcut(controlShiftS, Names::readSelection());
    ShortcutsPane pane(services);
    auto& recorder = pane.recorder(Names::openPanel()).control().model();
    QStringList alerts;
    recorder.presentAlert = [&](const KeyboardShortcuts::Alert& alert) {
        alerts.append(alert.message);
        return 1000;
    };
    recorder.startRecording();
    const QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, 0,
                          quint32(controlShiftS.carbonKeyCode()),
                          quint32(controlShiftS.carbonModifiers()));
    recorder.handleKey(press);
    recorder.endRecording();
    EXPECT_EQ(alerts,
              QStringList{QStringLiteral("This combination is already used by “Read selection”.")});
    EXPECT_EQ(KeyboardShortcuts::getShortcut(Names::openPanel()), std::nullopt);
}

TEST_F(PreferencePanesTest, ARecorderWhoseCombinationAnotherApplicationHoldsSaysSo) {
    TestSupport::KeyboardLayoutScope layout{TestSupport::FakeKeyboardLayout::us()};
    clearAllShortcuts();
    hotKeys.heldElsewhere.insert(controlShiftS);
    for (const auto& name : Names::all())
        registry.onKeyDown(name, [] {});
    KeyboardShortcuts::setShortcut(controlShiftS, Names::readSelection());
    ShortcutsPane pane(services);

    EXPECT_FALSE(pane.refusalNote(Names::readSelection()).isHidden());
    EXPECT_TRUE(
        pane.refusalNote(Names::readSelection()).text().contains(QStringLiteral("Ctrl+Shift+S")));
    EXPECT_TRUE(pane.refusalNote(Names::openPanel()).isHidden());

    hotKeys.heldElsewhere.clear();
    KeyboardShortcuts::setShortcut(commandR, Names::readSelection());
    EXPECT_TRUE(pane.refusalNote(Names::readSelection()).isHidden());
}

TEST_F(PreferencePanesTest, ResetAsksForASecondPressThenRestoresEverything) {
    clearAllShortcuts();
    KeyboardShortcuts::setShortcut(commandR, Names::replayLast());
    write(keys.rightCommandTapEnabled, false);
    write(keys.rightCommandDoubleTapReplayEnabled, false);
    write(keys.tapModifier, QStringLiteral("rightOption"));
    ShortcutsPane pane(services);

    QTest::mouseClick(&pane.resetButton(), Qt::LeftButton);
    EXPECT_TRUE(pane.resetButton().arming().isArmed());
    EXPECT_EQ(KeyboardShortcuts::getShortcut(Names::replayLast()), commandR);
    EXPECT_FALSE(Defaults::get(keys.rightCommandTapEnabled));

    QTest::mouseClick(&pane.resetButton(), Qt::LeftButton);
    TestSupport::drainEvents();
    EXPECT_TRUE(KeyboardShortcuts::getShortcut(Names::readSelection()));
    EXPECT_EQ(KeyboardShortcuts::getShortcut(Names::replayLast()), std::nullopt);
    EXPECT_TRUE(pane.warning().isHidden());
    EXPECT_EQ(pane.tapKeyPicker().currentText(), QStringLiteral("Right Super"));
    EXPECT_TRUE(pane.doubleTapToggle().isChecked());
}

TEST_F(PreferencePanesTest, PlaybackPaneWritesBothSpeedsAndKeepsUnknownValues) {
    write(keys.defaultPlaybackRate, 1.1);
    PlaybackPane pane(services);
    auto& rate = find<PaneWidgets::ChoicePicker>(pane, "DefaultSpeedPicker");
    EXPECT_EQ(rate.currentIndex(), -1);
    EXPECT_EQ(rate.itemText(1), QStringLiteral("0.75×"));
    EXPECT_EQ(Defaults::get(keys.defaultPlaybackRate), 1.1);

    emit rate.activated(3);
    TestSupport::drainEvents();
    EXPECT_EQ(Defaults::get(keys.defaultPlaybackRate), 1.25);
    EXPECT_EQ(Defaults::get(keys.playbackRate), 1.25);
    EXPECT_EQ(rate.currentIndex(), 3);

    auto& stepper = find<PaneWidgets::Stepper>(pane, "ConfirmThresholdStepper");
    EXPECT_FALSE(stepper.minus().isEnabled());
    stepper.plus().click();
    TestSupport::drainEvents();
    EXPECT_EQ(Defaults::get(keys.confirmThreshold), 2000);
    EXPECT_TRUE(stepper.minus().isEnabled());
    EXPECT_TRUE(stepper.label().text().endsWith(QStringLiteral(" characters")));
    // The buttons say what they change, and their description what it is now.
    EXPECT_EQ(stepper.plus().accessibleName(), QStringLiteral("Increase confirmation threshold"));
    EXPECT_EQ(stepper.minus().accessibleName(), QStringLiteral("Decrease confirmation threshold"));
    EXPECT_EQ(stepper.plus().accessibleDescription(), stepper.label().text());
}

// Space pressed twice on "Decrease" from 2,000: the button disables at 1,000 and leaves the focus
// on the pair, named by the value, so the second press steps nothing back up.
TEST_F(PreferencePanesTest, TheStepperAtItsBoundKeepsTheFocusOnItsPair) {
    write(keys.confirmThreshold, 2000);
    PlaybackPane pane(services);
    pane.show();
    QApplication::setActiveWindow(&pane);
    auto& stepper = find<PaneWidgets::Stepper>(pane, "ConfirmThresholdStepper");
    stepper.minus().setFocus(Qt::TabFocusReason);
    for (int press = 0; press < 2; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        TestSupport::drainEvents();
    }
    EXPECT_EQ(Defaults::get(keys.confirmThreshold), 1000);
    EXPECT_EQ(QApplication::focusWidget(), &stepper.buttons());
    EXPECT_EQ(stepper.buttons().accessibleName(), stepper.label().text());
}

TEST_F(PreferencePanesTest, AppearancePaneKeepsTransparencyOff) {
    write(keys.panelFontDesign, QStringLiteral("helvetica"));
    AppearancePane pane(services);
    EXPECT_EQ(pane.fontPicker().currentIndex(), -1);
    EXPECT_EQ(pane.casePicker().currentText(), QStringLiteral("Preserve"));
    EXPECT_FALSE(pane.transparencyToggle().isChecked());
    EXPECT_FALSE(pane.transparencyToggle().isEnabled());

    emit pane.casePicker().activated(2);
    TestSupport::drainEvents();
    EXPECT_EQ(Defaults::get(keys.transcriptCase), QStringLiteral("allCaps"));
    EXPECT_EQ(Defaults::get(keys.panelFontDesign), QStringLiteral("helvetica"));
    EXPECT_TRUE(Defaults::get(keys.transparencyEnabled));
}

TEST_F(PreferencePanesTest, RefusedLaunchAtLoginLeavesTheSwitchAsTheDesktopReportsIt) {
    loginItem.refuses = true;
    GeneralPane pane(services, {});
    pane.launchAtLoginToggle().click();
    EXPECT_FALSE(pane.launchAtLoginToggle().isChecked());
    EXPECT_EQ(loginItem.changes, 1);

    loginItem.refuses = false;
    pane.launchAtLoginToggle().click();
    EXPECT_TRUE(pane.launchAtLoginToggle().isChecked());
    EXPECT_TRUE(loginItem.enabled);
}

TEST_F(PreferencePanesTest, GeneralPaneMadeDuringAnExportShowsItAndCannotStartAnother) {
    recordings.recordings.start();
    GeneralPane pane(services, {});
    EXPECT_EQ(pane.recordingsButton().text(), QStringLiteral("Preparing…"));
    EXPECT_FALSE(pane.recordingsButton().isEnabled());
    QTest::mouseClick(&pane.recordingsButton(), Qt::LeftButton);
    EXPECT_EQ(recordings.runs, 1);

    recordings.finish();
    EXPECT_EQ(pane.recordingsButton().text(), QStringLiteral("Open Recordings in File Manager"));
    EXPECT_TRUE(pane.recordingsButton().isEnabled());
    EXPECT_EQ(recordings.opens, 1);
}

TEST_F(PreferencePanesTest, GeneralPaneMeasuresTheCacheWhenShownAndClearsItOnTheSecondPress) {
    writeCacheFile(1536);
    GeneralPane pane(services, services.showOnboarding);
    auto& clear = pane.clearCacheButton();
    EXPECT_EQ(clear.text(), QStringLiteral("Cached audio is empty"));
    EXPECT_FALSE(clear.isEnabled());

    pane.resize(540, 900); // the whole pane in view: a press below it would only scroll there
    pane.show();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return clear.isEnabled(); }));
    EXPECT_EQ(clear.text(), QStringLiteral("Clear cached audio (2 KB)"));

    QTest::mouseClick(&clear, Qt::LeftButton);
    TestSupport::drainEvents();
    EXPECT_TRUE(QFile::exists(cacheFile()));
    QTest::mouseClick(&clear, Qt::LeftButton);
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return !clear.isEnabled(); }));
    EXPECT_EQ(clear.text(), QStringLiteral("Cached audio is empty"));
    EXPECT_FALSE(QFile::exists(cacheFile()));

    find<QAbstractButton>(pane, "ShowTutorialButton").click();
    EXPECT_EQ(tutorials, 1);
    EXPECT_EQ(find<QLabel>(pane, "VersionLabel").text(), QStringLiteral("Parlino 1.2 (45)"));
}

TEST_F(PreferencePanesTest, TheSettingsWindowShowsEachPreferencePane) {
    writeCacheFile(1536);
    clearAllShortcuts();
    write(keys.rightCommandTapEnabled, false);
    const QList<std::pair<SettingsPane, QString>> panes{{SettingsPane::general, "General"},
                                                        {SettingsPane::appearance, "Appearance"},
                                                        {SettingsPane::playback, "Playback"},
                                                        {SettingsPane::shortcuts, "Shortcuts"}};
    for (const auto& [pane, name] : panes) {
        SettingsNavigation navigation;
        navigation.setSelection(pane);
        SettingsView view(services, navigation, false, 0);
        view.show();
        TestSupport::pumpUntil([&] { return !view.findChildren<QLabel*>().isEmpty(); });
        TestSupport::drainEvents();
        ASSERT_NE(view.detail(), nullptr);
        EXPECT_EQ(view.detail()->objectName(), name + QStringLiteral("Pane"));
        TestSupport::renderScreenshot(view, 1, QStringLiteral("PreferencePanes"), name);
        const QImage image =
            TestSupport::renderScreenshot(view, 2, QStringLiteral("PreferencePanes"), name);
        EXPECT_EQ(image.size(), QSize(1520, 1120));
        // The first card sits on the window's ground, opaque, at the top of the detail.
        const QPoint card = view.detail()->mapTo(&view, QPoint(40, 40)) * 2;
        EXPECT_EQ(image.pixelColor(card).alpha(), 255);
        EXPECT_NE(image.pixelColor(card).rgb(), Theme::ink().rgb());
    }
}

} // namespace
