#include "Parlino/Shell/Linux/X11Session.h"

#include "Parlino/Shell/InstanceClaim.h"
#include "Parlino/Shell/Linux/BoundedCall.h"

#include <xcb/xcb.h>

namespace Parlino::X11Session {

std::optional<QString> displayCause(const QByteArray& display, std::chrono::milliseconds bound,
                                    const std::function<QString(const QString&)>& describe) {
    if (display.isEmpty())
        return QStringLiteral("DISPLAY is not set");
    const QString named = QStringLiteral("DISPLAY=") + QString::fromLocal8Bit(display);
    const QString unanswered =
        QStringLiteral("no X server answered on %1 ").arg(named) + InstanceClaim::within(bound);
    const bool answers = returnWithinOrExit(bound, describe(unanswered), [display] {
        xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
        const bool connected = xcb_connection_has_error(connection) == 0;
        xcb_disconnect(connection);
        return connected;
    });
    if (answers)
        return std::nullopt;
    return QStringLiteral("no X server answers on %1").arg(named);
}

QString noDisplayMessage(const QString& cause) {
    return QStringLiteral("no X11 display (%1); Parlino needs an X11 session").arg(cause);
}

std::optional<QString> waylandLimits(const QByteArray& sessionType,
                                     const QByteArray& waylandDisplay) {
    if (sessionType != "wayland" && waylandDisplay.isEmpty())
        return std::nullopt;
    return QStringLiteral(
        "this is a Wayland session, where Parlino runs through XWayland and hears its "
        "keys only while an X11 window has the focus; choose an X11 session (\"GNOME on Xorg\") "
        "at the login screen");
}

} // namespace Parlino::X11Session
