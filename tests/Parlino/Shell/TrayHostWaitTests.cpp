#include "Parlino/Shell/TrayHostWait.h"

#include "support/ManualTime.h"

#include <gtest/gtest.h>

#include <memory>

using namespace Parlino;

namespace {

struct TrayHostWaitTest : ::testing::Test {
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    bool hostUp = false;
    int arrivals = 0;
    std::unique_ptr<TrayHostWait> wait = std::make_unique<TrayHostWait>(
        [this] { return hostUp; }, [this] { ++arrivals; }, scheduler);
};

TEST_F(TrayHostWaitTest, AsksNothingUntilAHostIsAnnouncedAndStopsAskingAfterABoundedWhile) {
    scheduler.advance(600);
    EXPECT_EQ(scheduler.pendingCount(), 0u) << "no announcement, no question";

    wait->announced();
    scheduler.advance(TrayHostWait::checkInterval * TrayHostWait::checksPerAnnouncement + 1);
    EXPECT_EQ(arrivals, 0);
    EXPECT_EQ(scheduler.pendingCount(), 0u) << "a host that never shows is not waited for forever";

    // The toolkit sees the host a little after its announcement.
    wait->announced();
    scheduler.advance(0.25);
    hostUp = true;
    scheduler.advance(0.1);
    EXPECT_EQ(arrivals, 1);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(TrayHostWaitTest, AnnouncementsInABurstAskOnceAtATimeAndTheWaitMayEndWhenTheHostArrives) {
    wait->announced();
    wait->announced();
    wait->announced();
    EXPECT_EQ(scheduler.pendingCount(), 1u);

    wait = std::make_unique<TrayHostWait>([this] { return hostUp; },
                                          [this] {
                                              ++arrivals;
                                              wait.reset();
                                          },
                                          scheduler);
    wait->announced();
    hostUp = true;
    scheduler.advance(1);
    EXPECT_EQ(arrivals, 1);
    EXPECT_EQ(wait, nullptr);
}

} // namespace
