#include "KeyboardShortcuts/HotKeyCenter.h"

#include "support/FakeHotKeySystem.h"
#include "support/Printers.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace KeyboardShortcuts;
using Mode = HotKeyCenter::Mode;

namespace {

const Shortcut controlShiftS(Key::s, ModifierFlag::control | ModifierFlag::shift);
const Shortcut commandR(Key::r, ModifierFlag::command);
constexpr qint64 capsLockBit = 0x400;

// A widget that counts the key events that reach it.
class KeyTarget final : public QWidget {
public:
    int presses = 0;
    int releases = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++presses; }
    void keyReleaseEvent(QKeyEvent*) override { ++releases; }
};

class HotKeyCenterTest : public ::testing::Test {
protected:
    std::unique_ptr<HotKey> makeHotKey(const Shortcut& shortcut) {
        return std::make_unique<HotKey>(
            center, shortcut, [this, shortcut] { calls << "down " + shortcut.toJson(); },
            [this, shortcut] { calls << "up " + shortcut.toJson(); });
    }
    std::unique_ptr<HotKey> registered(const Shortcut& shortcut) {
        auto hotKey = makeHotKey(shortcut);
        EXPECT_TRUE(center.registerHotKey(*hotKey));
        return hotKey;
    }

    // Sends a key event of the application to the target, as an open menu would get it.
    void sendKey(QEvent::Type type, Key key, qint64 carbonModifiers, bool isRepeat = false) {
        QKeyEvent event(type, Qt::Key_unknown, Qt::NoModifier, 0, quint32(key.rawValue),
                        quint32(carbonModifiers), QString(), isRepeat);
        QCoreApplication::sendEvent(&target, &event);
    }
    void pressKey(Key key, qint64 modifiers, bool isRepeat = false) {
        sendKey(QEvent::KeyPress, key, modifiers, isRepeat);
    }
    void releaseKey(Key key, qint64 modifiers) { sendKey(QEvent::KeyRelease, key, modifiers); }

    static QString down(const Shortcut& shortcut) { return "down " + shortcut.toJson(); }
    static QString up(const Shortcut& shortcut) { return "up " + shortcut.toJson(); }

    TestSupport::FakeHotKeySystem system;
    HotKeyCenter center{system};
    KeyTarget target;
    QStringList calls;
};

} // namespace

TEST_F(HotKeyCenterTest, IdsCountFromOneAndAreNeverReused) {
    auto first = makeHotKey(controlShiftS);
    auto second = makeHotKey(commandR);
    EXPECT_EQ(first->id(), 1);
    EXPECT_EQ(second->id(), 2);
    first.reset();
    EXPECT_EQ(makeHotKey(controlShiftS)->id(), 3);
}

TEST_F(HotKeyCenterTest, APressRunsOnlyTheKeyDownActionAndAReleaseOnlyTheKeyUpAction) {
    const auto hotKey = registered(controlShiftS);
    EXPECT_EQ(system.registered(), QList<Shortcut>{controlShiftS});

    system.press(controlShiftS);
    EXPECT_EQ(calls, QStringList{down(controlShiftS)});
    system.release(controlShiftS);
    EXPECT_EQ(calls, QStringList({down(controlShiftS), up(controlShiftS)}));
}

TEST_F(HotKeyCenterTest, ARefusedRegistrationRecordsNothing) {
    system.refused.insert(controlShiftS);
    const auto hotKey = makeHotKey(controlShiftS);

    EXPECT_FALSE(center.registerHotKey(*hotKey));
    EXPECT_FALSE(hotKey->isRegistered);
    system.sendId(quint32(hotKey->id()), EventType::keyDown);
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(HotKeyCenterTest, EventsForUnknownOrReleasedHotKeysRunNothing) {
    auto hotKey = registered(controlShiftS);
    const auto id = quint32(hotKey->id());
    system.sendId(id + 1, EventType::keyDown);
    hotKey.reset();
    EXPECT_TRUE(system.registered().isEmpty());
    system.sendId(id, EventType::keyDown);
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(HotKeyCenterTest, AnActionMayDestroyItsOwnHotKey) {
    std::unique_ptr<HotKey> hotKey = makeHotKey(controlShiftS);
    hotKey->onKeyDown = [&] { hotKey.reset(); };
    ASSERT_TRUE(center.registerHotKey(*hotKey));

    system.press(controlShiftS);
    EXPECT_EQ(hotKey, nullptr);
    EXPECT_TRUE(system.registered().isEmpty());
}

TEST_F(HotKeyCenterTest, AnOpenMenuTakesTheHotKeysOffTheDesktopAndMatchesItsKeyEvents) {
    const auto hotKey = registered(controlShiftS);
    center.setMenuOpen(true);
    EXPECT_EQ(center.mode(), Mode::menuOpen);
    EXPECT_TRUE(system.registered().isEmpty());

    pressKey(Key::s, controlShiftS.carbonModifiers() | capsLockBit);
    pressKey(Key::s, controlShiftS.carbonModifiers(), /*isRepeat=*/true);
    EXPECT_EQ(calls, QStringList{down(controlShiftS)});
    EXPECT_EQ(target.presses, 1) << "the repeat goes on to the menu, the press does not";

    // Control and shift were released before the key.
    releaseKey(Key::s, 0);
    EXPECT_EQ(calls, QStringList({down(controlShiftS), up(controlShiftS)}));
    EXPECT_EQ(target.releases, 0);

    center.setMenuOpen(false);
    EXPECT_EQ(center.mode(), Mode::normal);
    EXPECT_EQ(system.registered(), QList<Shortcut>{controlShiftS});
    pressKey(Key::s, controlShiftS.carbonModifiers());
    EXPECT_EQ(calls.size(), 2) << "outside a menu only the desktop's hot keys count";
}

TEST_F(HotKeyCenterTest, AKeyWithAnExtraModifierDoesNotMatchInAMenu) {
    const auto hotKey = registered(commandR);
    center.setMenuOpen(true);

    pressKey(Key::r, commandR.carbonModifiers() | CarbonModifier::shift);
    releaseKey(Key::r, commandR.carbonModifiers() | CarbonModifier::shift);
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_EQ(target.presses, 1);
    EXPECT_EQ(target.releases, 1);
}

TEST_F(HotKeyCenterTest, AHotKeyRegisteredWhileAMenuIsOpenWaitsForItToClose) {
    center.setMenuOpen(true);
    const auto hotKey = registered(commandR);
    EXPECT_TRUE(system.registered().isEmpty());
    pressKey(Key::r, commandR.carbonModifiers());
    EXPECT_EQ(calls, QStringList{down(commandR)});

    center.setMenuOpen(false);
    EXPECT_EQ(system.registered(), QList<Shortcut>{commandR});
}

TEST_F(HotKeyCenterTest, AHotKeyAnotherApplicationHoldsWaitsUntilTheDesktopGivesItBack) {
    system.heldElsewhere.insert(controlShiftS);
    const auto hotKey = registered(controlShiftS);
    int changes = 0;
    hotKey->onTakenChanged = [&] { ++changes; };
    EXPECT_TRUE(hotKey->isTaken);
    EXPECT_TRUE(center.isTakenBySystem(controlShiftS)) << "taken is not the center's own";

    system.giveBack(controlShiftS);
    EXPECT_FALSE(hotKey->isTaken);
    EXPECT_EQ(changes, 1);
    system.press(controlShiftS);
    EXPECT_EQ(calls, QStringList{down(controlShiftS)});
}

TEST_F(HotKeyCenterTest, AHotKeyRefusedWhenAMenuClosesIsDroppedAndReported) {
    const auto kept = registered(commandR);
    const auto lost = registered(controlShiftS);
    int failures = 0;
    lost->onRegistrationFailed = [&] { ++failures; };
    center.setMenuOpen(true);
    system.refused.insert(controlShiftS);

    center.setMenuOpen(false);
    EXPECT_EQ(failures, 1);
    EXPECT_FALSE(lost->isRegistered);
    EXPECT_EQ(system.registered(), QList<Shortcut>{commandR});

    center.setMenuOpen(true);
    pressKey(Key::s, controlShiftS.carbonModifiers());
    EXPECT_TRUE(calls.isEmpty()) << "the center forgot the dropped hot key";
}

TEST_F(HotKeyCenterTest, SwitchingTheModuleOffWithdrawsEveryHotKeyAndIgnoresMenus) {
    const auto hotKey = registered(commandR);
    center.setEnabled(false);
    EXPECT_EQ(center.mode(), Mode::disabled);
    EXPECT_TRUE(system.registered().isEmpty());

    center.setMenuOpen(true);
    pressKey(Key::r, commandR.carbonModifiers());
    EXPECT_EQ(center.mode(), Mode::disabled);
    EXPECT_TRUE(calls.isEmpty());

    center.setEnabled(true);
    EXPECT_EQ(center.mode(), Mode::menuOpen);
    center.setMenuOpen(false);
    EXPECT_EQ(system.registered(), QList<Shortcut>{commandR});
}

TEST_F(HotKeyCenterTest, OpeningAndClosingAMenuOfTheApplicationSwitchesTheMode) {
    const auto hotKey = registered(commandR);
    QMenu menu;
    menu.addAction(QStringLiteral("Quit"));
    auto submenu = std::make_unique<QMenu>();

    menu.popup(QPoint(10, 10));
    EXPECT_EQ(center.mode(), Mode::menuOpen);
    submenu->popup(QPoint(20, 20));
    menu.hide();
    EXPECT_EQ(center.mode(), Mode::menuOpen) << "one menu is still open";
    submenu.reset();
    EXPECT_EQ(center.mode(), Mode::normal);
    EXPECT_EQ(system.registered(), QList<Shortcut>{commandR});
}

TEST_F(HotKeyCenterTest, ACombinationIsTakenBySystemWhenAnotherApplicationHoldsIt) {
    system.heldElsewhere = {commandR, Shortcut(Key::f12)};
    EXPECT_TRUE(center.isTakenBySystem(commandR));
    EXPECT_FALSE(center.isTakenBySystem(controlShiftS));
    EXPECT_FALSE(center.isTakenBySystem(Shortcut(Key::f12)));
}
