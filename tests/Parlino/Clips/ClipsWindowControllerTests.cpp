#include "Parlino/Clips/ClipsWindowController.h"

#include "ClipsViewTesting.h"
#include "Parlino/Clips/ClipControls.h"
#include "Parlino/Clips/ClipsList.h"
#include "Parlino/Clips/ClipsView.h"
#include "Parlino/Style/Theme.h"
#include "support/LayoutCheck.h"
#include "support/LogCapture.h"
#include "support/Screenshots.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

using namespace Parlino;

struct ClipsWindowControllerTest : ::testing::Test, ClipsTesting::ClipsViewHarness {
    // Shows the window and waits for the library's listing that the window waits for.
    void show() {
        controller.show();
        ASSERT_TRUE(TestSupport::pumpUntil(
            [this] { return controller.window() && controller.window()->isVisible(); }));
    }

    ClipsWindowController controller{library, nullptr, players(), environment};
};

TEST_F(ClipsWindowControllerTest, TheFirstShowMakesTheDarkFixedWindowCentredAndLogsIt) {
    save(QStringLiteral("A saved read"));
    EXPECT_EQ(controller.window(), nullptr);
    const TestSupport::LogCapture logs;
    controller.show();
    EXPECT_EQ(controller.window(), nullptr) << "shown before the clips were listed";
    ASSERT_TRUE(TestSupport::pumpUntil([this] { return controller.window(); }));
    settle();

    QWidget* window = controller.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Audio Clips"));
    EXPECT_EQ(window->size(), QSize(520, 620));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(window->palette().color(QPalette::Window),
              Theme::darkPalette().color(QPalette::Window));
    EXPECT_EQ(controller.view()->geometry(), QRect(0, 0, 520, 620));
    EXPECT_FALSE(controller.view()->isEmbedded());
    EXPECT_EQ(controller.viewModel().clips().size(), 1);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(QRect(window->pos(), window->size()).center(), screen.center());
    EXPECT_EQ(logs.messages(QStringLiteral("focus-diag")),
              (QStringList{QStringLiteral("activation: NSApp.activate — Audio Clips window (menu)"),
                           QStringLiteral("activation: clipsWindow.makeKeyAndOrderFront — Audio "
                                          "Clips window (menu)")}));
    TestSupport::renderScreenshot(*window, 1, QStringLiteral("ClipsWindow"),
                                  QStringLiteral("window"));
    EXPECT_TRUE(TestSupport::hasCleanLayout(*window));
}

TEST_F(ClipsWindowControllerTest, ALaterShowBringsBackTheSameWindowWithTheListReRead) {
    const ClipID first = save(QString(400, QLatin1Char('a')));
    show();
    settle();
    QWidget* window = controller.window();
    ClipsList& list = controller.view()->list();
    QTest::mouseClick(&list.row(first)->textColumn(), Qt::LeftButton);
    ASSERT_EQ(controller.viewModel().expandedClipID(), first);

    window->move(window->pos() + QPoint(37, 21));
    const QPoint moved = window->pos();
    const WId native = window->winId();
    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
    // Its native window stays, and with it the very pixel it stood at.
    EXPECT_NE(window->windowHandle()->handle(), nullptr);
    const ClipID second = save(QStringLiteral("Saved while the window was closed"));
    library.deleteClip(first);

    show();
    settle();
    EXPECT_EQ(controller.window(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), moved);
    EXPECT_EQ(window->winId(), native);
    EXPECT_EQ(controller.viewModel().expandedClipID(), std::nullopt);
    ASSERT_EQ(controller.viewModel().clips().size(), 1);
    EXPECT_EQ(controller.viewModel().clips().front().id, second);
    EXPECT_EQ(list.row(first), nullptr);
    EXPECT_NE(list.row(second), nullptr);
}

TEST_F(ClipsWindowControllerTest, ClosingTheWindowLeavesAPreviewPlaying) {
    const ClipID id = save(QStringLiteral("Playing on"));
    show();
    controller.viewModel().toggle(id);
    controller.window()->close();
    controller.show();
    EXPECT_EQ(controller.viewModel().playingClipID(), id);
    EXPECT_TRUE(controller.view()->list().row(id)->playButton().isPlaying());
}

} // namespace
