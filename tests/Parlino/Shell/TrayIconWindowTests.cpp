#include "Parlino/Shell/TrayIconWindow.h"

#include "support/EventLoop.h"

#include <QSystemTrayIcon>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace Parlino;

namespace {

// A stand-in for the widget in which Qt shows an embedded tray icon.
std::unique_ptr<QWidget> iconWidget(const char* name = TrayIconWindow::qtName) {
    auto widget = std::make_unique<QWidget>();
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(0, 0, 22, 22);
    widget->show();
    TestSupport::drainEvents();
    return widget;
}

} // namespace

TEST(TrayIconWindow, ReportsWhatTheTrayDoesToTheNewestIconWindow) {
    QSystemTrayIcon icon;
    auto first = iconWidget();
    const auto other = iconWidget("SomeOtherWindow");
    TrayIconWindow window(icon);
    int changes = 0;
    window.changed = [&] { ++changes; };
    // Whether `action` was reported, once Qt has handed on what it caused.
    const auto reported = [&](const std::function<void()>& action) {
        const int before = changes;
        action();
        TestSupport::drainEvents();
        return changes > before;
    };

    EXPECT_TRUE(reported([&] { first->move(1890, 1); })) << "moved";
    EXPECT_TRUE(reported([&] { first->resize(24, 24); })) << "resized";
    EXPECT_FALSE(reported([&] { other->move(100, 100); })) << "another window";

    // A new tray takes over: Qt makes the icon's window anew.
    first.reset();
    const auto second = iconWidget();
    window.place();
    EXPECT_TRUE(reported([&] { second->move(1800, 2); }));
}
