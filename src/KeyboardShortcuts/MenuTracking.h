#pragma once

#include <QObject>
#include <QSet>

#include <functional>

namespace KeyboardShortcuts {

// Tells when the first of the application's menus opens and when the last one closes. A menu
// holds the keyboard while it is open, so no hot key of the desktop reaches the application
// then. Main thread.
class MenuTracking final : public QObject {
public:
    explicit MenuTracking(std::function<void(bool isMenuOpen)> onChange);
    ~MenuTracking() override;

    bool isMenuOpen() const { return !m_openMenus.isEmpty(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setOpen(QObject* menu, bool isOpen);

    std::function<void(bool)> m_onChange;
    QSet<QObject*> m_openMenus;
};

} // namespace KeyboardShortcuts
