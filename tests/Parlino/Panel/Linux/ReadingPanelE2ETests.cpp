// The reading panel in a real floating window on the desktop of scripts/ci-services.sh: its
// header's "Settings" button opens the embedded settings, and Escape closes it once.
#include "Parlino/Panel/CurrentScreen.h"
#include "Parlino/Panel/Linux/X11ScreenProvider.h"
#include "Parlino/Panel/Linux/X11SurfaceWindow.h"
#include "Parlino/Panel/NotchPlacement.h"
#include "Parlino/Panel/PanelGeometryBox.h"
#include "Parlino/Panel/PanelTesting.h"
#include "Parlino/Panel/PanelView.h"
#include "support/DesktopSession.h"
#include "support/EventLoop.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QProcess>

#include <gtest/gtest.h>

using namespace Parlino;
using TestSupport::pumpUntil;

namespace {

void xdotool(const QStringList& arguments) {
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0);
}

TEST(ReadingPanelE2E, SettingsButtonOpensTheEmbeddedSettingsAndEscapeCloses) {
    PARLINO_REQUIRE_SERVICE(QGuiApplication::platformName() == QStringLiteral("xcb"),
                            "no X display");
    ServicesTesting::TestSettings settings;
    PanelTesting::Motion motion;
    PlayerViewModel model;
    PanelGeometryBox geometry;
    int closes = 0;
    // The shell hides the read on close, which brings the panel back to its reading page.
    model.onClose = [&] {
        ++closes;
        model.hide();
    };
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("EmbeddedSettings"));
    auto* view = new PanelView(model, geometry, settings.keys, motion.context,
                               {.makePage = [&](PanelContentMode, qreal) { return page; }});

    X11ScreenProvider screens;
    CurrentScreen current(screens);
    current.refresh();
    X11SurfaceWindow panel(SurfaceKind::panel);
    panel.onCancel = [&] { ++closes; };
    panel.setContentView(view);
    geometry.setTopContentInset(32);
    geometry.setRevealed(true);
    motion.scheduler.advance(1);
    NotchPlacement::presentPanelWindow(panel, current.scalars().value());
    ASSERT_TRUE(pumpUntil([&] { return panel.window().isVisible() && view->isVisible(); }));

    auto* settingsButton = view->findChild<QAbstractButton*>(QStringLiteral("SettingsButton"));
    ASSERT_NE(settingsButton, nullptr);
    ASSERT_TRUE(pumpUntil([&] { return settingsButton->isVisible(); }));
    const QPoint target = settingsButton->mapToGlobal(settingsButton->rect().center());
    xdotool({"mousemove", QString::number(target.x()), QString::number(target.y()), "click", "1"});
    ASSERT_TRUE(pumpUntil([&] { return model.contentMode() == PanelContentMode::settings; }));
    EXPECT_EQ(view->page(), page);
    EXPECT_TRUE(page->isVisible());

    // The click made the panel key; Escape reaches the view and closes once.
    ASSERT_TRUE(pumpUntil([&] { return panel.window().isActiveWindow(); }));
    xdotool({"key", "Escape"});
    ASSERT_TRUE(pumpUntil([&] { return closes > 0; }));
    pumpUntil([] { return false; }, 200);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(model.contentMode(), PanelContentMode::reading);
}

} // namespace
