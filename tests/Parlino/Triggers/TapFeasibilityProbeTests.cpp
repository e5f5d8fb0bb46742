#include "Parlino/Triggers/TapFeasibilityProbe.h"

#include "support/FakeTapEventSource.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

using Parlino::TapFeasibilityProbe;
using Parlino::TapSourceEvent;

TEST(TapFeasibilityProbe, IsRequestedOnlyWhenTheSwitchIsExactlyOne) {
    qputenv(TapFeasibilityProbe::switchName, "1");
    EXPECT_TRUE(TapFeasibilityProbe::isRequested());
    qputenv(TapFeasibilityProbe::switchName, "true");
    EXPECT_FALSE(TapFeasibilityProbe::isRequested());
    qunsetenv(TapFeasibilityProbe::switchName);
    EXPECT_FALSE(TapFeasibilityProbe::isRequested());
}

TEST(TapFeasibilityProbe, LogsModifierChangesWithTheirSpacingAndCountsKeyPresses) {
    TestSupport::LogCapture logs;
    auto source = std::make_unique<TestSupport::FakeTapEventSource>();
    auto* fake = source.get();
    TapFeasibilityProbe probe(std::move(source));
    probe.start();

    fake->send(TapSourceEvent::flagsChanged(54, 0x100010, 10.0));
    fake->send(TapSourceEvent::keyDown(10.0625));
    fake->send(TapSourceEvent::mouseActivity(10.09375));
    fake->send(TapSourceEvent::flagsChanged(54, 0, 10.125));
    fake->send(TapSourceEvent::keyDown(10.25));

    EXPECT_EQ(logs.messages(QStringLiteral("tap-diag")),
              (QStringList{
                  "tap-diag: starting — XInput2 raw events only (no grab, no RECORD)",
                  "tap-diag: global flagsChanged monitor installed",
                  "tap-diag: global keyDown counter installed",
                  "tap-diag: flagsChanged channel=global keyCode=54 flagsRaw=0x100010 dt=-1.000",
                  "tap-diag: keyDown channel=global count=1",
                  "tap-diag: flagsChanged channel=global keyCode=54 flagsRaw=0x0 dt=0.125",
                  "tap-diag: keyDown channel=global count=2",
              }));
}

TEST(TapFeasibilityProbe, ReportsASourceThatCannotStartAsAnError) {
    TestSupport::LogCapture logs;
    auto source = std::make_unique<TestSupport::FakeTapEventSource>();
    source->refusesToStart = true;
    TapFeasibilityProbe probe(std::move(source));
    probe.start();

    QStringList errors;
    for (const auto& record : logs.sink->records())
        if (record.level == Base::LogLevel::error)
            errors << record.message;
    EXPECT_EQ(errors, (QStringList{
                          "tap-diag: global flagsChanged monitor FAILED to install (returned nil)",
                          "tap-diag: global keyDown counter FAILED to install (returned nil)",
                      }));
}

} // namespace
