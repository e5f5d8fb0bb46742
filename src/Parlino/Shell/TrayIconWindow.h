#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>

class QSystemTrayIcon;
class QWindow;

namespace Parlino {

// The window in which Qt shows the tray icon to a tray that embeds it: where the tray placed it
// on the screen, and word whenever the tray maps, moves, resizes or exposes it, which is when the
// icon may stand on another part of the tray, and of a press that the icon's widget drops. Qt makes
// that window anew for each tray that takes over; the place follows the newest. A status-notifier
// host draws the icon itself: then there is no such window, no place and no word. Main thread only.
class TrayIconWindow final : public QObject {
public:
    // The name Qt gives the widget of an embedded tray icon.
    static constexpr const char* qtName = "QSystemTrayIconSys";

    explicit TrayIconWindow(QSystemTrayIcon& icon);

    // Where the icon is on the screen; empty while no embedding tray shows it.
    QRect place();

    // Called when the tray mapped, moved, resized or exposed the icon's window.
    std::function<void()> changed;
    // Called for a press on the icon that the toolkit reports only as the second of a double
    // click (within the desktop's double-click time of the last press on it): the icon's own
    // widget leaves such a right press unused, so whatever a press opens is the owner's to open.
    std::function<void()> pressedAgain;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow();

    QSystemTrayIcon& m_icon;
    QPointer<QWindow> m_window;
};

} // namespace Parlino
