#include "ShellTesting.h"

using namespace Parlino;
using namespace ShellTesting;
using Response = TestSupport::FakeSpeechService::Response;
using Value = Base::Json::Value;

namespace {

Response quotaLeft(qint64 left, qint64 limit = 10000) {
    return Response::json(Value{
        {"subscription", Value{{"character_count", limit - left}, {"character_limit", limit}}}});
}

class KeyStateTest : public RootTest {
protected:
    void refresh() {
        bool known = false;
        root().refreshKeyPresence([&] { known = true; });
        ASSERT_TRUE(TestSupport::pumpUntil([&] { return known; }));
    }
    // Waits until the usage check has asked the service and its answer has been handled.
    void refreshWithUsage() {
        const auto asked = userRequests();
        refresh();
        ASSERT_TRUE(TestSupport::pumpUntil([&] { return userRequests() > asked; }));
        TestSupport::pumpUntil([] { return false; }, 50);
    }
    qsizetype userRequests() const {
        qsizetype count = 0;
        for (const auto& request : service.requests())
            count += request.path() == "/v1/user";
        return count;
    }
    WarningModel& warnings() { return root().warningModel(); }
};

TEST_F(KeyStateTest, AMissingKeyWarnsUnlessTheNetworkIsDown) {
    secrets->secrets.clear();
    refresh();
    EXPECT_EQ(warnings().keyPresence(), KeyPresence::absent);
    EXPECT_EQ(warnings().current(), ActiveWarning::noKey());

    reachability->unavailable = true;
    refresh();
    EXPECT_TRUE(warnings().networkFailed());
    EXPECT_EQ(warnings().current(), ActiveWarning::none());
    EXPECT_EQ(userRequests(), 0);
}

TEST_F(KeyStateTest, TheUsageCheckFeedsTheCharactersLeft) {
    // The answer is handled a while after the service saw the request on a busy machine.
    const auto remaining = [this](std::optional<qint64> left) {
        return TestSupport::pumpUntil([&] { return warnings().charactersRemaining() == left; });
    };
    service.on("GET", QStringLiteral("/v1/user"), quotaLeft(400));
    refreshWithUsage();
    EXPECT_TRUE(remaining(400));
    EXPECT_EQ(warnings().keyPresence(), KeyPresence::present);
    EXPECT_EQ(warnings().current(), ActiveWarning::usageLow(400));

    service.on("GET", QStringLiteral("/v1/user"),
               Response::error(402, QStringLiteral("quota_exceeded"), {}));
    refreshWithUsage();
    EXPECT_TRUE(remaining(0));

    service.on("GET", QStringLiteral("/v1/user"),
               Response::error(403, QStringLiteral("missing_permissions"), {}));
    refreshWithUsage();
    EXPECT_TRUE(remaining(std::nullopt));
    EXPECT_EQ(warnings().current(), ActiveWarning::none());
}

TEST_F(KeyStateTest, ALockedKeyIsReportedWithoutAUsageCheck) {
    secrets->nextLookup = KeychainReadResult::locked(KeychainStatus::locked);
    refresh();
    EXPECT_EQ(warnings().keyPresence(), KeyPresence::locked);
    TestSupport::pumpUntil([] { return false; }, 50);
    EXPECT_EQ(userRequests(), 0);
}

// A check that a newer refresh overtook, or that ends after the key was removed, changes nothing.
TEST_F(KeyStateTest, ALateUsageCheckChangesNothing) {
    Response late = quotaLeft(100);
    late.held = true;
    service.on("GET", QStringLiteral("/v1/user"), late);
    refreshWithUsage();
    service.on("GET", QStringLiteral("/v1/user"), quotaLeft(400));
    refreshWithUsage();
    service.releaseHeld();
    TestSupport::pumpUntil([] { return false; }, 100);
    EXPECT_EQ(warnings().charactersRemaining(), 400);

    service.on("GET", QStringLiteral("/v1/user"), late);
    refreshWithUsage();
    secrets->secrets.clear();
    refresh();
    service.releaseHeld();
    TestSupport::pumpUntil([] { return false; }, 100);
    EXPECT_EQ(warnings().charactersRemaining(), std::nullopt);
    EXPECT_EQ(warnings().current(), ActiveWarning::noKey());
}

TEST_F(KeyStateTest, AChangedKeyRefetchesALoadedVoiceListOnly) {
    const auto voiceRequests = [&] {
        qsizetype count = 0;
        for (const auto& request : service.requests())
            count += request.path() == "/v1/voices";
        return count;
    };
    root().keyChanged();
    TestSupport::pumpUntil([] { return false; }, 100);
    EXPECT_EQ(voiceRequests(), 0);

    root().voices().refresh();
    ASSERT_TRUE(TestSupport::pumpUntil(
        [&] { return root().voices().state().kind() == VoicesModel::FetchState::Kind::loaded; }));
    root().keyChanged();
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return voiceRequests() == 2; }));
}

TEST_F(KeyStateTest, WithoutAKeyTheVoiceListFailsWithoutARequest) {
    secrets->secrets.clear();
    refresh();
    root().voices().refresh();
    EXPECT_EQ(root().voices().state(),
              VoicesModel::FetchState::failed(VoicesModel::FailureKind::noKey));
    EXPECT_TRUE(service.requests().isEmpty());
}

class CaptureStepTest : public RootTest {
protected:
    Capture::CaptureResult capture() {
        std::optional<Capture::CaptureResult> result;
        root().captureSelection(Capture::CaptureMode::full,
                                [&](Capture::CaptureResult r) { result = std::move(r); });
        EXPECT_TRUE(TestSupport::pumpUntil([&] { return result.has_value(); }));
        return result.value_or(Base::failure(Core::CaptureError::timedOut()));
    }
};

TEST_F(CaptureStepTest, WithoutAnyWayToCaptureEveryCaptureIsDeniedAndTheUserToldOnce) {
    trusted = false;
    EXPECT_EQ(capture().error(), Core::CaptureError::permissionDenied());
    EXPECT_EQ(capture().error(), Core::CaptureError::permissionDenied());
    EXPECT_EQ(logs.messages(QStringLiteral("focus-diag")).size(), 1);
    EXPECT_EQ(logs.messages(QStringLiteral("pipeline"))
                  .count(QStringLiteral("capture failed: permissionDenied")),
              2);
    EXPECT_EQ(accessibility->trustQueries, 0);
}

TEST_F(CaptureStepTest, AnApplicationAddedToTheDenyListIsRefusedOnTheNextCapture) {
    accessibility->snapshot = Capture::AXFocusSnapshot{QStringLiteral("selected"), {}, {}};
    EXPECT_EQ(capture()->text, QStringLiteral("selected"));

    Defaults::set(keys().denyListBundleIDs, {workspace->front.bundleID});
    EXPECT_EQ(capture().error(), Core::CaptureError::appDenied(workspace->front.bundleID));
    EXPECT_TRUE(logs.contains(QStringLiteral("capture failed: appDenied")));
}

TEST_F(CaptureStepTest, WithThisApplicationInFrontTheApplicationTheUserCameFromIsRead) {
    root().observeWorkspace();
    accessibility->snapshot = Capture::AXFocusSnapshot{QStringLiteral("selected"), {}, {}};
    const Core::FrontmostApp editor = workspace->front;
    workspace->activated(editor);
    workspace->front = {QStringLiteral("Parlino"), QStringLiteral("Parlino"), 7};

    EXPECT_EQ(capture()->sourceApp, editor);
    workspace->terminated(editor.pid);
    EXPECT_EQ(capture().error(), Core::CaptureError::ownAppFrontmost());
}

} // namespace
