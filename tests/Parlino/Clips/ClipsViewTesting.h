#pragma once

#include "ClipsTesting.h"
#include "Parlino/Clips/ClipsViewEnvironment.h"
#include "Parlino/Services/ServicesTesting.h"
#include "Parlino/Storage/ClipLibrary.h"
#include "Parlino/Storage/StorageTesting.h"
#include "Parlino/Style/PointerMotion.h"
#include "support/EventLoop.h"
#include "support/ManualTime.h"

#include <QTimeZone>

#include <memory>

namespace ClipsTesting {

// The clock of the clip dates: 7 December 2026, 15:00 UTC.
inline Base::Date testNow() {
    return StorageTesting::utc(2026, 12, 7, 15, 0, 0);
}

// A clip library on a temporary folder whose clips are saved at `saveDate`, and everything a
// clips view needs around it, on manual time, in en_US and UTC.
struct ClipsViewHarness {
    ClipsViewHarness() {
        // Start each test at the default speed and with saving on.
        Defaults::set(settings.keys.playbackRate, 1.0);
        Defaults::set(settings.keys.saveRecordings, true);
    }

    Parlino::ClipID save(const QString& text, Base::Date at, double seconds = 65) {
        saveDate = at;
        const auto id =
            library.save(text, chunks({seconds}), {}, QStringLiteral("voice"), std::nullopt);
        EXPECT_TRUE(id);
        return id.value_or(Parlino::ClipID{});
    }
    Parlino::ClipID save(const QString& text) { return save(text, testNow()); }

    std::unique_ptr<TestSupport::FakeChunkPlayerFactory> players() const {
        return std::make_unique<TestSupport::FakeChunkPlayerFactory>();
    }

    // Lets queued setting changes and layout requests through.
    static void settle() { TestSupport::drainEvents(); }

    ServicesTesting::TestSettings settings;
    StorageTesting::TemporaryFolder folder;
    Base::Date saveDate = testNow();
    Parlino::ClipLibrary library{folder.path() / "clips", [this] { return saveDate; }};
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    Parlino::MotionPreferences preferences;
    Parlino::PointerMotion pointer{clock, scheduler};
    Parlino::ClipsViewEnvironment environment{.motion = {clock, scheduler, preferences},
                                              .pointer = pointer,
                                              .keys = settings.keys,
                                              .now = &testNow,
                                              .locale =
                                                  QLocale(QLocale::English, QLocale::UnitedStates),
                                              .timeZone = QTimeZone::utc()};
};

} // namespace ClipsTesting
