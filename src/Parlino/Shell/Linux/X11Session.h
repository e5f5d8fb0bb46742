#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace Parlino::X11Session {

// What keeps the application from its windows, as the one line it prints before it exits: no
// DISPLAY, or no X server answering on it. Nothing when the display answers.
std::optional<QString> displayProblem(const QByteArray& display);

// What a Wayland session withholds from an X11 program, as one line for the log; nothing outside
// a Wayland session. Both values are the session's environment variables.
std::optional<QString> waylandLimits(const QByteArray& sessionType,
                                     const QByteArray& waylandDisplay);

} // namespace Parlino::X11Session
