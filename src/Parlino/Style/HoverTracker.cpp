#include "Parlino/Style/HoverTracker.h"

#include <QEvent>
#include <QWidget>

namespace Parlino {

HoverTracker::HoverTracker(QWidget& host) {
    host.setAttribute(Qt::WA_Hover);
    host.installEventFilter(this);
}

bool HoverTracker::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
    case QEvent::Enter:
        if (!m_hovering) {
            m_hovering = true;
            if (onEntered)
                onEntered();
        }
        break;
    case QEvent::Leave:
    case QEvent::Hide:
        if (m_hovering) {
            m_hovering = false;
            if (onExited)
                onExited();
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace Parlino
