#pragma once

#include "KeyboardShortcuts/RecorderControl.h"
#include "KeyboardShortcuts/Utilities.h"

#include "RegistryFixture.h"
#include "support/EventLoop.h"
#include "support/FakeKeyboardLayout.h"
#include "support/FakeRecorderAlerts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace TestSupport {

// An active window with a button and room for a recorder, over a fake desktop that answers the
// recorder's alerts itself. It hears every recorder status notification.
class RecorderTest : public RegistryTest {
protected:
    using RecorderControl = KeyboardShortcuts::RecorderControl;

    RecorderTest() {
        layout->addWidget(button);
        statusObserver = Base::NotificationCenter::defaultCenter().addObserver(
            KeyboardShortcuts::recorderActiveStatusDidChange,
            [this](const Base::Notification& notification) {
                statuses.append(KeyboardShortcuts::recorderIsActive(notification));
            });
    }

    // Places the widget in the window, shows the window and makes it active.
    template <class Widget> Widget* place(Widget* widget) {
        layout->addWidget(widget);
        widget->show();
        window.show();
        window.activateWindow();
        EXPECT_TRUE(pumpUntil([this] { return QApplication::activeWindow() == &window; }));
        statuses.clear();
        return widget;
    }
    RecorderControl* placeRecorder(RecorderControl* recorder) {
        recorder->setAlerts(alerts);
        return place(recorder);
    }

    // The user clicks into the field.
    static void focus(QWidget* widget) { widget->setFocus(Qt::MouseFocusReason); }

    // A key press as the desktop reports it, to the widget with the focus.
    static void press(KeyboardShortcuts::Key key, qint64 carbonModifiers = 0) {
        QKeyEvent event(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, 0, quint32(key.rawValue),
                        quint32(carbonModifiers));
        QWidget* target = QApplication::focusWidget();
        QCoreApplication::sendEvent(target ? target : QApplication::activeWindow(), &event);
    }
    static void press(const Shortcut& shortcut) {
        press(shortcut.key(), shortcut.carbonModifiers());
    }

    KeyboardLayoutScope layoutScope{FakeKeyboardLayout::us()};
    QWidget window;
    QVBoxLayout* layout = new QVBoxLayout(&window);
    QPushButton* button = new QPushButton(QStringLiteral("Other"));
    std::shared_ptr<FakeRecorderAlerts> alerts = std::make_shared<FakeRecorderAlerts>();
    QList<bool> statuses;
    Base::NotificationCenter::ObserverToken statusObserver;
};

} // namespace TestSupport
