#include "Capture/CaptureCoordinator.h"
#include "support/CaptureFakes.h"
#include "support/EventLoop.h"
#include "support/ManualTime.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

using namespace Capture;
using Core::CaptureError;
using Core::FrontmostApp;
using TestSupport::BlockingStrategy;
using TestSupport::ScriptedStrategy;

namespace {

const FrontmostApp editor{QStringLiteral("Editor"), QStringLiteral("org.editor"), 42};
const FrontmostApp browser{QStringLiteral("Browser"), QStringLiteral("org.browser"), 7};
const FrontmostApp ownApp{QStringLiteral("Parlino"), QStringLiteral("com.parlino.app"), 1};

std::shared_ptr<ScriptedStrategy> answering(StrategyResult answer) {
    return std::make_shared<ScriptedStrategy>(std::move(answer));
}
std::shared_ptr<ScriptedStrategy> findingNothing() {
    return answering(std::optional<Core::SelectionCapture>());
}
std::shared_ptr<ScriptedStrategy> failingWith(CaptureError error) {
    return answering(Base::failure(std::move(error)));
}
std::shared_ptr<ScriptedStrategy> capturing(const QString& text, const FrontmostApp& app) {
    return answering(std::optional(Core::SelectionCapture{text, app, std::nullopt}));
}

class CaptureCoordinatorTest : public ::testing::Test {
protected:
    CaptureCoordinator coordinator(QList<std::shared_ptr<CaptureStrategy>> strategies,
                                   qsizetype reducedCount = 1) {
        return CaptureCoordinator(
            std::move(strategies), [this] { return frontmost; },
            [this] {
                ++denyListCalls;
                return denied;
            },
            ownBundleID, [this] { return previous; }, 1.0, reducedCount, scheduler);
    }

    // Starts a capture and checks that its completion does not run inside the call.
    void start(const CaptureCoordinator& c, CaptureMode mode = CaptureMode::full) {
        result.reset();
        c.capture(mode, [this](CaptureResult r) { result = std::move(r); });
        EXPECT_FALSE(result) << "completed inside capture()";
    }
    CaptureResult run(const CaptureCoordinator& c, CaptureMode mode = CaptureMode::full) {
        start(c, mode);
        EXPECT_TRUE(TestSupport::pumpUntil([this] { return result.has_value(); }));
        return *result;
    }
    void expectError(const CaptureResult& r, const CaptureError& error) {
        ASSERT_FALSE(r);
        EXPECT_EQ(r.error(), error);
    }

    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    FrontmostApp frontmost = editor;
    std::optional<FrontmostApp> previous;
    QSet<QString> denied;
    int denyListCalls = 0;
    std::optional<QString> ownBundleID = QStringLiteral("com.parlino.app");
    std::optional<CaptureResult> result;
};

} // namespace

TEST_F(CaptureCoordinatorTest, FirstCaptureWinsAndCancelsTheDeadline) {
    auto first = findingNothing();
    auto second = capturing(QStringLiteral("hello"), editor);
    auto third = capturing(QStringLiteral("never"), editor);
    const auto r = run(coordinator({first, second, third}));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->text, QStringLiteral("hello"));
    EXPECT_EQ(first->targets(), (std::vector<CaptureTarget>{{editor, true}}));
    EXPECT_EQ(second->targets().size(), 1u);
    EXPECT_TRUE(third->targets().empty());
    EXPECT_EQ(denyListCalls, 1);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(CaptureCoordinatorTest, TimedOutHandsOverAndAnEmptyRunIsNothingSelected) {
    auto slow = failingWith(CaptureError::timedOut());
    auto empty = findingNothing();
    expectError(run(coordinator({slow, empty})), CaptureError::nothingSelected());
    EXPECT_EQ(empty->targets().size(), 1u);
    expectError(run(coordinator({})), CaptureError::nothingSelected());
}

TEST_F(CaptureCoordinatorTest, AnyOtherFailureEndsTheRun) {
    for (const auto& error : {CaptureError::secureField(), CaptureError::permissionDenied()}) {
        auto next = capturing(QStringLiteral("hello"), editor);
        expectError(run(coordinator({failingWith(error), next})), error);
        EXPECT_TRUE(next->targets().empty());
    }
}

TEST_F(CaptureCoordinatorTest, OwnApplicationInFrontRetargetsToThePreviousOne) {
    frontmost = ownApp;
    previous = browser;
    auto strategy = capturing(QStringLiteral("from the browser"), browser);
    EXPECT_TRUE(run(coordinator({strategy})));
    EXPECT_EQ(strategy->targets(), (std::vector<CaptureTarget>{{browser, false}}));

    // Nothing found in the previous application is reported as this one being in front.
    expectError(run(coordinator({findingNothing()})), CaptureError::ownAppFrontmost());
    expectError(run(coordinator({})), CaptureError::ownAppFrontmost());
}

TEST_F(CaptureCoordinatorTest, OwnApplicationInFrontWithoutPreviousFailsAtOnce) {
    frontmost = ownApp;
    auto strategy = findingNothing();
    expectError(run(coordinator({strategy})), CaptureError::ownAppFrontmost());
    EXPECT_EQ(denyListCalls, 0);
    EXPECT_TRUE(strategy->targets().empty());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(CaptureCoordinatorTest, WithoutOwnIdentifierTheOwnWindowIsCapturedLikeAnyOther) {
    ownBundleID.reset();
    frontmost = ownApp;
    previous = browser;
    auto strategy = findingNothing();
    expectError(run(coordinator({strategy})), CaptureError::nothingSelected());
    EXPECT_EQ(strategy->targets(), (std::vector<CaptureTarget>{{ownApp, true}}));
}

TEST_F(CaptureCoordinatorTest, DenyListedTargetsAreRefusedBeforeAnyStrategy) {
    denied = {editor.bundleID, browser.bundleID};
    auto strategy = capturing(QStringLiteral("hello"), editor);
    expectError(run(coordinator({strategy})), CaptureError::appDenied(editor.bundleID));

    frontmost = ownApp;
    previous = browser;
    expectError(run(coordinator({strategy})), CaptureError::appDenied(browser.bundleID));
    EXPECT_TRUE(strategy->targets().empty());
    EXPECT_EQ(denyListCalls, 2);
}

TEST_F(CaptureCoordinatorTest, ReducedModeRunsOnlyTheFirstStrategies) {
    auto first = findingNothing();
    auto second = capturing(QStringLiteral("hello"), editor);
    expectError(run(coordinator({first, second}, 1), CaptureMode::reduced),
                CaptureError::nothingSelected());
    EXPECT_TRUE(second->targets().empty());

    EXPECT_TRUE(run(coordinator({first, second}, 5), CaptureMode::reduced));
    EXPECT_TRUE(run(coordinator({first, second}, 0), CaptureMode::full));

    expectError(run(coordinator({first, second}, 0), CaptureMode::reduced),
                CaptureError::nothingSelected());
    frontmost = ownApp;
    previous = browser;
    expectError(run(coordinator({first, second}, 0), CaptureMode::reduced),
                CaptureError::ownAppFrontmost());
    EXPECT_EQ(first->targets().size(), 3u);
}

TEST_F(CaptureCoordinatorTest, DeadlineTimesOutButCompletesOnlyWhenTheStrategyHasEnded) {
    auto slow = std::make_shared<BlockingStrategy>();
    auto next = capturing(QStringLiteral("late"), editor);
    const auto c = coordinator({slow, next});
    start(c);
    slow->waitUntilStarted();

    scheduler.advance(0.999);
    TestSupport::drainEvents();
    EXPECT_FALSE(result);

    scheduler.advance(0.001);
    TestSupport::drainEvents();
    EXPECT_FALSE(result) << "completed while the strategy was still running";

    // Even a capture that arrives after the deadline does not win the race.
    slow->finish(std::optional(Core::SelectionCapture{QStringLiteral("slow"), editor, {}}));
    ASSERT_TRUE(TestSupport::pumpUntil([this] { return result.has_value(); }));
    expectError(*result, CaptureError::timedOut());
    EXPECT_TRUE(slow->stopSeen());
}

TEST_F(CaptureCoordinatorTest, GoingAwayStopsTheRunningCaptureWhichThenCompletesNothing) {
    auto holding = std::make_shared<BlockingStrategy>(BlockingStrategy::Stop::ends);
    auto next = capturing(QStringLiteral("never"), editor);
    {
        const auto c = coordinator({holding, next});
        start(c);
        holding->waitUntilStarted();
    }
    TestSupport::drainEvents();
    EXPECT_FALSE(result);
    EXPECT_EQ(holding.use_count(), 1); // nothing of the run is left behind
    EXPECT_TRUE(next->targets().empty());
}
