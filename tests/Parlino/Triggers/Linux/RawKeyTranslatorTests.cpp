#include "Parlino/Triggers/Linux/RawKeyTranslator.h"
#include "Parlino/Triggers/Linux/ServerTime.h"

#include <gtest/gtest.h>

namespace {

using Parlino::RawKeyTranslator;
using Parlino::TapSourceEvent;

// X key codes of a standard keyboard: evdev codes plus 8.
constexpr quint32 superR = 134;
constexpr quint32 superL = 133;
constexpr quint32 altR = 108;
constexpr quint32 shiftL = 50;
constexpr quint32 letterA = 38;
constexpr quint32 capsLock = 66;

TEST(RawKeyTranslator, TheRightSuperKeyIsTheRightCommandKey) {
    RawKeyTranslator keys;
    EXPECT_EQ(keys.keyPressed(superR, false, 1.5), TapSourceEvent::flagsChanged(54, 0x100010, 1.5));
    EXPECT_EQ(keys.keyReleased(superR, 1.625), TapSourceEvent::flagsChanged(54, 0, 1.625));
}

TEST(RawKeyTranslator, TheRightAltKeyIsTheRightOptionKey) {
    RawKeyTranslator keys;
    EXPECT_EQ(keys.keyPressed(altR, false, 1.0), TapSourceEvent::flagsChanged(61, 0x80040, 1.0));
}

TEST(RawKeyTranslator, TheFlagsWordHoldsEveryModifierStillDown) {
    RawKeyTranslator keys;
    keys.keyPressed(shiftL, false, 1.0);
    keys.keyPressed(superL, false, 1.125);
    EXPECT_EQ(keys.keyPressed(superR, false, 1.25),
              TapSourceEvent::flagsChanged(54, 0x20000 | 0x02 | 0x100000 | 0x08 | 0x10, 1.25));
    EXPECT_EQ(keys.keyReleased(superL, 1.375),
              TapSourceEvent::flagsChanged(55, 0x20000 | 0x02 | 0x100000 | 0x10, 1.375));
    EXPECT_EQ(keys.keyReleased(superR, 1.5), TapSourceEvent::flagsChanged(54, 0x20000 | 0x02, 1.5));
}

TEST(RawKeyTranslator, CapsLockAnnouncesItselfWithoutABit) {
    RawKeyTranslator keys;
    EXPECT_EQ(keys.keyPressed(capsLock, false, 1.0), TapSourceEvent::flagsChanged(57, 0, 1.0));
}

TEST(RawKeyTranslator, OtherKeysCountOnlyWhenTheyGoDown) {
    RawKeyTranslator keys;
    EXPECT_EQ(keys.keyPressed(letterA, false, 2.0), TapSourceEvent::keyDown(2.0));
    EXPECT_EQ(keys.keyPressed(letterA, true, 2.5), TapSourceEvent::keyDown(2.5));
    EXPECT_EQ(keys.keyReleased(letterA, 3.0), std::nullopt);
    EXPECT_EQ(keys.keyPressed(255, false, 3.5), TapSourceEvent::keyDown(3.5)); // unknown key
}

TEST(RawKeyTranslator, ARepeatedModifierPressChangesNothing) {
    RawKeyTranslator keys;
    keys.keyPressed(superR, false, 1.0);
    EXPECT_EQ(keys.keyPressed(superR, true, 1.5), std::nullopt);
}

TEST(ServerTime, IsTheServersUptimeInSeconds) {
    EXPECT_EQ(Parlino::ServerTime::uptime(12'345'250, 12'345.5), 12'345.25);
}

TEST(ServerTime, UnwrapsTheThirtyTwoBitStampNearTheProcessUptime) {
    const double wrapSeconds = 4'294'967.296;
    EXPECT_DOUBLE_EQ(Parlino::ServerTime::uptime(250, wrapSeconds + 0.5), wrapSeconds + 0.25);
    // An event stamped just before the wrap, read just after it.
    EXPECT_DOUBLE_EQ(Parlino::ServerTime::uptime(4'294'967'000u, wrapSeconds + 0.125), 4'294'967.0);
}

} // namespace
