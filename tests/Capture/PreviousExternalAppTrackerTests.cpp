#include "Capture/PreviousExternalAppTracker.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

#include <QSet>

using Capture::PreviousExternalAppTracker;
using Core::FrontmostApp;

namespace {

const FrontmostApp editor{QStringLiteral("Editor"), QStringLiteral("org.editor"), 42};
const FrontmostApp browser{QStringLiteral("Browser"), QStringLiteral("org.browser"), 7};
const FrontmostApp ownApp{QStringLiteral("Parlino"), QStringLiteral("com.parlino.app"), 1};

class PreviousExternalAppTrackerTest : public ::testing::Test {
protected:
    QSet<qint32> running{editor.pid, browser.pid};
    std::function<void()> duringCheck;
    PreviousExternalAppTracker tracker{QStringLiteral("com.parlino.app"),
                                       [this](const FrontmostApp& app) {
                                           if (duringCheck)
                                               std::exchange(duringCheck, nullptr)();
                                           return running.contains(app.pid);
                                       }};
};

} // namespace

TEST_F(PreviousExternalAppTrackerTest, RemembersTheLatestOtherApplication) {
    EXPECT_EQ(tracker.previous(), std::nullopt);
    tracker.noteActivated(editor);
    tracker.noteActivated(browser);
    tracker.noteActivated(ownApp);
    EXPECT_EQ(tracker.previous(), browser);
}

TEST_F(PreviousExternalAppTrackerTest, ForgetsOnlyTheRememberedApplicationsEnd) {
    tracker.noteActivated(editor);
    tracker.noteTerminated(browser.pid);
    EXPECT_EQ(tracker.previous(), editor);
    tracker.noteTerminated(editor.pid);
    EXPECT_EQ(tracker.previous(), std::nullopt);
}

TEST_F(PreviousExternalAppTrackerTest, ApplicationThatEndedUnnoticedIsDropped) {
    tracker.noteActivated(editor);
    running.remove(editor.pid);
    EXPECT_EQ(tracker.previous(), std::nullopt);
    running.insert(editor.pid);
    EXPECT_EQ(tracker.previous(), std::nullopt) << "forgotten, not merely hidden";
}

TEST_F(PreviousExternalAppTrackerTest, ActivationDuringTheCheckIsKept) {
    tracker.noteActivated(editor);
    running.remove(editor.pid);
    duringCheck = [this] { tracker.noteActivated(browser); };
    EXPECT_EQ(tracker.previous(), std::nullopt);
    EXPECT_EQ(tracker.previous(), browser);
}
