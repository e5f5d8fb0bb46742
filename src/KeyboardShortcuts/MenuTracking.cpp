#include "KeyboardShortcuts/MenuTracking.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMenu>

namespace KeyboardShortcuts {

MenuTracking::MenuTracking(std::function<void(bool)> onChange) : m_onChange(std::move(onChange)) {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

MenuTracking::~MenuTracking() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

bool MenuTracking::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
        if (auto* menu = qobject_cast<QMenu*>(watched); menu && menu->isWindow())
            setOpen(menu, event->type() == QEvent::Show);
    return false;
}

void MenuTracking::setOpen(QObject* menu, bool isOpen) {
    const bool wasOpen = isMenuOpen();
    if (isOpen && !m_openMenus.contains(menu)) {
        m_openMenus.insert(menu);
        // A menu destroyed while open sends no Hide.
        connect(menu, &QObject::destroyed, this, [this, menu] { setOpen(menu, false); });
    } else if (!isOpen && m_openMenus.remove(menu)) {
        disconnect(menu, nullptr, this, nullptr);
    }
    if (isMenuOpen() != wasOpen)
        m_onChange(isMenuOpen());
}

} // namespace KeyboardShortcuts
