#include "Parlino/Shell/Linux/X11Session.h"

#include <xcb/xcb.h>

namespace Parlino::X11Session {

namespace {

QString noDisplay(const QString& cause) {
    return QStringLiteral("parlino: no X11 display (%1); Parlino needs an X11 session").arg(cause);
}

} // namespace

std::optional<QString> displayProblem(const QByteArray& display) {
    if (display.isEmpty())
        return noDisplay(QStringLiteral("DISPLAY is not set"));
    xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    if (answers)
        return std::nullopt;
    return noDisplay(
        QStringLiteral("no X server answers on DISPLAY=%1").arg(QString::fromLocal8Bit(display)));
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
