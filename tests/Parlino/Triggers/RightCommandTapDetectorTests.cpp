#include "Parlino/Triggers/RightCommandTapDetector.h"

#include "support/FakeTapEventSource.h"
#include "support/LogCapture.h"
#include "support/ManualTime.h"

#include <gtest/gtest.h>

namespace {

using Parlino::RightCommandTapDetector;
using Parlino::TapModifier;
using Parlino::TapSourceEvent;

constexpr quint16 rightCommandKey = 54;
constexpr quint16 rightOptionKey = 61;
constexpr quint64 command = 0x100000;
constexpr quint64 option = 0x80000;
constexpr quint64 rightCommandHeld = command | 0x10;
constexpr quint64 rightOptionHeld = option | 0x40;

class TapDetector : public ::testing::Test {
protected:
    TapDetector() {
        auto source = std::make_unique<TestSupport::FakeTapEventSource>();
        this->source = source.get();
        detector = std::make_unique<RightCommandTapDetector>(
            std::move(source),
            RightCommandTapDetector::Settings{
                .isEnabled = [this] { return enabled; },
                .isDoubleTapReplayEnabled = [this] { return doubleTapReplay; },
                .isSuppressed = [this] { return suppressed; },
                .modifier = [this] { return modifier; },
            },
            scheduler, clock);
        detector->onSingleTap = [this] { ++singleTaps; };
        detector->onDoubleTap = [this] { ++doubleTaps; };
        detector->start();
    }

    // Event times and the scheduler's clock share one time base.
    void press(double at, quint64 flags = rightCommandHeld, quint16 key = rightCommandKey) {
        clock.set(at);
        source->send(TapSourceEvent::flagsChanged(key, flags, at));
    }
    void release(double at, quint16 key = rightCommandKey) {
        clock.set(at);
        source->send(TapSourceEvent::flagsChanged(key, 0, at));
    }
    void advanceTo(double at) { scheduler.advance(at - clock.now()); }
    QStringList tapLog() const { return logs.messages(QStringLiteral("tap")); }

    bool enabled = true;
    bool doubleTapReplay = true;
    bool suppressed = false;
    TapModifier modifier = TapModifier::rightCommand;
    int singleTaps = 0;
    int doubleTaps = 0;

    TestSupport::LogCapture logs;
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    TestSupport::FakeTapEventSource* source = nullptr;
    std::unique_ptr<RightCommandTapDetector> detector;
};

TEST_F(TapDetector, ReportsALoneTapOnceTheWaitRunsOut) {
    press(10.0);
    release(10.25);
    advanceTo(10.4375);
    EXPECT_EQ(singleTaps, 0);
    advanceTo(10.5);
    EXPECT_EQ(singleTaps, 1);
    EXPECT_EQ(tapLog(), (QStringList{"tap arm", "tap fire-single"}));
}

TEST_F(TapDetector, ReportsTwoQuickTapsAsOneDoubleTap) {
    press(10.0);
    release(10.125);
    press(10.25);
    release(10.375);
    scheduler.advance(1);
    EXPECT_EQ(doubleTaps, 1);
    EXPECT_EQ(singleTaps, 0);
    EXPECT_EQ(tapLog(), (QStringList{"tap arm", "tap fire-double"}));
}

TEST_F(TapDetector, WaitsOnlyATenthOfASecondWithoutDoubleTapReplay) {
    doubleTapReplay = false;
    press(10.0);
    release(10.125);
    advanceTo(10.1875);
    EXPECT_EQ(singleTaps, 0);
    advanceTo(10.25);
    EXPECT_EQ(singleTaps, 1);
}

TEST_F(TapDetector, WatchesTheRightOptionKeyWhenChosen) {
    modifier = TapModifier::rightOption;
    press(10.0, rightOptionHeld, rightOptionKey);
    press(10.0625); // the right Command key now counts as another modifier
    EXPECT_EQ(tapLog(), (QStringList{"tap arm", "tap cancel reason=otherModifier"}));

    press(11.0, rightOptionHeld, rightOptionKey);
    release(11.125, rightOptionKey);
    scheduler.advance(1);
    EXPECT_EQ(singleTaps, 1);
}

TEST_F(TapDetector, APressWithAnyOtherModifierHeldIsNoTap) {
    const quint64 leftCommandToo = rightCommandHeld | 0x08;
    const quint64 shiftToo = rightCommandHeld | 0x20000 | 0x02;
    const quint64 functionToo = rightCommandHeld | 0x800000;
    for (const quint64 flags : {leftCommandToo, shiftToo, functionToo}) {
        press(10.0, flags);
        release(10.125);
        scheduler.advance(1);
    }
    EXPECT_EQ(singleTaps, 0);
    EXPECT_TRUE(tapLog().isEmpty()) << tapLog().join('\n').toStdString();
}

TEST_F(TapDetector, CapsLockDoesNotSpoilATap) {
    press(10.0, rightCommandHeld | 0x10000);
    release(10.125);
    scheduler.advance(1);
    EXPECT_EQ(singleTaps, 1);
}

TEST_F(TapDetector, AnApplicationBecomingActiveDuringTheWaitCancels) {
    press(10.0);
    release(10.125);
    detector->noteApplicationActivated();
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    scheduler.advance(1);
    EXPECT_EQ(singleTaps, 0);
    EXPECT_EQ(tapLog().last(), "tap cancel reason=suppressed");
}

TEST_F(TapDetector, ThePressIsSuppressedWhileTheSettingsSurfaceHasTheFocus) {
    suppressed = true;
    press(10.0);
    release(10.125);
    scheduler.advance(1);
    EXPECT_EQ(singleTaps, 0);
    EXPECT_TRUE(tapLog().isEmpty());

    suppressed = false;
    press(11.0);
    detector->noteSettingsSurfaceBecameKey();
    EXPECT_EQ(tapLog().last(), "tap cancel reason=suppressed");
}

TEST_F(TapDetector, AShortcutCancelsTheTapAndRefusesAnotherTooSoon) {
    press(10.0);
    release(10.125);
    clock.set(10.25);
    detector->noteHotkeyPing();
    press(10.375);
    release(10.4375);
    scheduler.advance(1);
    EXPECT_EQ(singleTaps, 0);
    EXPECT_EQ(tapLog(), (QStringList{"tap arm", "tap cancel reason=hotkeyPing",
                                     "tap cancel reason=recentKeyDown"}));
}

// The source hears every key typed anywhere: it runs only while the tap is on.
TEST_F(TapDetector, SwitchingTheTapOffWhileItWaitsEndsItWithoutAReportAndStopsTheSource) {
    press(10.0);
    release(10.125);
    enabled = false;
    detector->noteEnabledChanged();
    EXPECT_FALSE(source->isStarted());
    scheduler.advance(1);
    EXPECT_EQ(singleTaps, 0);
    EXPECT_EQ(tapLog().last(), "tap cancel reason=disabled");

    enabled = true;
    detector->noteEnabledChanged();
    ASSERT_TRUE(source->isStarted());
    press(12.0);
    release(12.125);
    scheduler.advance(1);
    EXPECT_EQ(singleTaps, 1);
}

TEST_F(TapDetector, TheSourceFollowsTheSwitchOnlyOnceStartedAndStartsAgainAfterARefusal) {
    detector.reset();
    auto owned = std::make_unique<TestSupport::FakeTapEventSource>();
    source = owned.get();
    detector = std::make_unique<RightCommandTapDetector>(
        std::move(owned),
        RightCommandTapDetector::Settings{[this] { return enabled; }, [] { return true; },
                                          [] { return false; },
                                          [] { return TapModifier::rightCommand; }},
        scheduler, clock);
    detector->noteEnabledChanged();
    EXPECT_FALSE(source->isStarted()) << "before start";

    source->refusesToStart = true;
    detector->start();
    source->refusesToStart = false;
    EXPECT_FALSE(source->isStarted());
    detector->noteEnabledChanged();
    EXPECT_TRUE(source->isStarted());
}

TEST_F(TapDetector, NothingFiresOnceTheDetectorIsGone) {
    press(10.0);
    release(10.125);
    detector.reset();
    scheduler.advance(1);
    EXPECT_EQ(singleTaps, 0);
}

} // namespace
