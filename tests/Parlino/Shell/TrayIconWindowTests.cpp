#include "Parlino/Shell/TrayIconWindow.h"

#include "support/EventLoop.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QSystemTrayIcon>
#include <QWidget>
#include <QWindow>
#include <QtTest/QTest>

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

// Qt hands a widget the second press of a double click only as a double click; the icon's widget
// does nothing with a right one.
TEST(TrayIconWindow, TellsOfAPressTheToolkitCountsAsTheSecondOfADoubleClick) {
    QSystemTrayIcon icon;
    const auto widget = iconWidget();
    TrayIconWindow window(icon);
    int again = 0;
    window.pressedAgain = [&] { ++again; };
    // Each press is released through the window system, as Qt counts the buttons held there: no
    // later test may find one still down.
    const auto press = [&](QEvent::Type type, Qt::MouseButton button) {
        QMouseEvent event(type, QPointF(11, 11), QPointF(11, 11), button, button, Qt::NoModifier);
        QCoreApplication::sendEvent(widget->windowHandle(), &event);
        QTest::mouseRelease(widget->windowHandle(), button, {}, QPoint(11, 11));
    };
    press(QEvent::MouseButtonPress, Qt::RightButton);
    EXPECT_EQ(again, 0);
    press(QEvent::MouseButtonDblClick, Qt::RightButton);
    press(QEvent::MouseButtonDblClick, Qt::LeftButton);
    EXPECT_EQ(again, 2);
}
