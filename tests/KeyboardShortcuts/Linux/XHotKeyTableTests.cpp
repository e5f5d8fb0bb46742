#include "KeyboardShortcuts/Linux/XHotKeyTable.h"

#include "KeyboardShortcuts/Linux/XModifiers.h"
#include "KeyboardShortcuts/ModifierFlags.h"

#include <gtest/gtest.h>

using namespace KeyboardShortcuts;
using Delivery = XHotKeyTable::Delivery;

namespace {

constexpr quint8 keyS = 39;
constexpr quint8 keyR = 27;
constexpr quint16 controlShift = XModifiers::control | XModifiers::shift;

class XHotKeyTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        table.add(1, {keyS, controlShift});
        table.add(2, {keyR, XModifiers::mod4});
    }

    XHotKeyTable table;
    const Delivery sDown{1, EventType::keyDown};
    const Delivery sUp{1, EventType::keyUp};
};

} // namespace

TEST_F(XHotKeyTableTest, APressIgnoresTheLocksAndItsReleaseWaitsForTheNextEvent) {
    EXPECT_EQ(table.press(keyS, controlShift | XModifiers::lock | XModifiers::mod2, 100),
              QList<Delivery>{sDown});
    EXPECT_TRUE(table.release(keyS, 200).isEmpty());
    EXPECT_EQ(table.flush(), QList<Delivery>{sUp});
    EXPECT_TRUE(table.flush().isEmpty());
}

// A key event that no grab brought is the hot key's only while its key is down.
TEST_F(XHotKeyTableTest, AKeyIsDownFromItsPressUntilItsReleaseIsHeard) {
    EXPECT_EQ(table.match(keyS, controlShift | XModifiers::lock | XModifiers::mod2), 1u);
    EXPECT_EQ(table.match(keyS, XModifiers::control), std::nullopt);
    EXPECT_FALSE(table.isDown(keyS));
    table.press(keyS, controlShift, 100);
    EXPECT_TRUE(table.isDown(keyS));
    EXPECT_FALSE(table.isDown(keyR));
    table.release(keyS, 200);
    EXPECT_FALSE(table.isDown(keyS)) << "its release waits only for a repeat";
}

TEST_F(XHotKeyTableTest, TheReleaseMatchesByKeyCodeWhenTheModifiersWentFirst) {
    table.press(keyS, controlShift, 100);
    // The modifier keys come up first; the server reports them while the grab lasts.
    EXPECT_TRUE(table.press(37, controlShift, 110).isEmpty());
    EXPECT_TRUE(table.release(37, 120).isEmpty());
    EXPECT_TRUE(table.release(keyS, 130).isEmpty());
    EXPECT_EQ(table.flush(), QList<Delivery>{sUp});
}

TEST_F(XHotKeyTableTest, AutoRepeatedPressesAreDropped) {
    table.press(keyS, controlShift, 100);
    // Detectable auto-repeat: presses only.
    EXPECT_TRUE(table.press(keyS, controlShift, 600).isEmpty());
    // Plain auto-repeat: a release and a press with the same time.
    EXPECT_TRUE(table.release(keyS, 640).isEmpty());
    EXPECT_TRUE(table.press(keyS, controlShift, 640).isEmpty());
    EXPECT_FALSE(table.hasPendingRelease());

    table.release(keyS, 700);
    EXPECT_EQ(table.flush(), QList<Delivery>{sUp});
}

TEST_F(XHotKeyTableTest, ANewPressDeliversTheReleaseBeforeIt) {
    table.press(keyS, controlShift, 100);
    table.release(keyS, 200);
    EXPECT_EQ(table.press(keyS, controlShift, 300), QList<Delivery>({sUp, sDown}));
}

// The window holding the grab went away while the key was down: the release went elsewhere.
TEST_F(XHotKeyTableTest, AReleaseThatWentElsewhereEndsTheHotKeyAtOnce) {
    table.press(keyS, controlShift, 100);
    EXPECT_TRUE(table.releasedElsewhere(keyR).isEmpty()) << "another key";
    EXPECT_TRUE(table.isHolding());
    EXPECT_EQ(table.releasedElsewhere(keyS), QList<Delivery>{sUp});
    EXPECT_FALSE(table.isHolding());
    // Heard again by the grab, or waiting for a repeat when heard elsewhere: delivered once.
    EXPECT_TRUE(table.release(keyS, 200).isEmpty());
    table.press(keyS, controlShift, 300);
    table.release(keyS, 400);
    EXPECT_EQ(table.releasedElsewhere(keyS), QList<Delivery>{sUp});
    EXPECT_TRUE(table.flush().isEmpty());
}

TEST_F(XHotKeyTableTest, OnlyTheGrabbedModifiersMatch) {
    EXPECT_TRUE(table.press(keyS, XModifiers::control, 100).isEmpty());
    EXPECT_EQ(table.press(keyR, XModifiers::mod4, 110), QList<Delivery>({{2, EventType::keyDown}}));
}

TEST_F(XHotKeyTableTest, ARemovedHotKeyComesUpWithoutADelivery) {
    table.press(keyS, controlShift, 100);
    table.remove(1);
    EXPECT_TRUE(table.release(keyS, 200).isEmpty());
    EXPECT_TRUE(table.flush().isEmpty());
    EXPECT_TRUE(table.press(keyS, controlShift, 300).isEmpty());
}

TEST(XModifiersTest, ShortcutModifiersMapToCoreModifiers) {
    const qint64 all = CarbonModifier::control | CarbonModifier::option | CarbonModifier::shift |
                       CarbonModifier::command;
    EXPECT_EQ(XModifiers::fromCarbon(all), XModifiers::shortcutMask);
    EXPECT_EQ(XModifiers::toCarbon(XModifiers::shortcutMask | XModifiers::lock | XModifiers::mod2),
              all);
    EXPECT_EQ(XModifiers::fromCarbon(CarbonModifier::function), std::nullopt);
}
