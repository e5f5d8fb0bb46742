#include "Parlino/Shell/TrayIconWindow.h"

#include <QApplication>
#include <QEvent>
#include <QSystemTrayIcon>
#include <QWidget>
#include <QWindow>

namespace Parlino {

TrayIconWindow::TrayIconWindow(QSystemTrayIcon& icon) : m_icon(icon) {
    follow();
}

QRect TrayIconWindow::place() {
    follow();
    return m_window && m_window->isExposed() ? m_icon.geometry() : QRect();
}

// Watches the window of the icon's widget, once more when Qt has made it anew.
void TrayIconWindow::follow() {
    QWindow* window = nullptr;
    for (const QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String(qtName) && widget->windowHandle())
            window = widget->windowHandle();
    if (window == m_window)
        return;
    if (m_window)
        m_window->removeEventFilter(this);
    m_window = window;
    if (m_window)
        m_window->installEventFilter(this);
}

bool TrayIconWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_window)
        return false;
    const QEvent::Type type = event->type();
    if (changed && (type == QEvent::Expose || type == QEvent::Move || type == QEvent::Resize))
        changed();
    if (pressedAgain && type == QEvent::MouseButtonDblClick)
        pressedAgain();
    return false;
}

} // namespace Parlino
