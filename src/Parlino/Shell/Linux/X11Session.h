#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

namespace Parlino::X11Session {

// The longest a start waits for an X server to answer its connection.
inline constexpr std::chrono::milliseconds answerBound{5000};

// Why no window can be shown on the X display that `display` (the DISPLAY variable) names:
// "DISPLAY is not set" or "no X server answers on DISPLAY=:5"; nothing when one answers. A server
// that takes the connection and says nothing within `bound` cannot be waited for any longer nor
// called off: then the process prints `describe` of "no X server answered on DISPLAY=:5 within 5
// seconds" and ends (returnWithinOrExit).
std::optional<QString> displayCause(const QByteArray& display, std::chrono::milliseconds bound,
                                    const std::function<QString(const QString&)>& describe);

// The line that keeps the application from its windows, for `cause`: "no X11 display (DISPLAY is
// not set); Parlino needs an X11 session".
QString noDisplayMessage(const QString& cause);

// What a Wayland session withholds from an X11 program, as one line for the log; nothing outside
// a Wayland session. Both values are the session's environment variables.
std::optional<QString> waylandLimits(const QByteArray& sessionType,
                                     const QByteArray& waylandDisplay);

} // namespace Parlino::X11Session
