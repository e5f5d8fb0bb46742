#pragma once

#include <QtGlobal>

// Xlib's Display, declared here so headers need not include Xlib.
using Display = struct _XDisplay;

namespace Parlino::X11 {

// The application's own X connection (shared with Qt's windows, so requests made on it stay in
// order with Qt's); none when Qt does not run on X11.
Display* applicationDisplay();

// Sends what is buffered on the application's connection, so changes made from a timer or a
// socket callback reach the server now rather than with the next X event.
void flushApplicationDisplay();

// The bottom edge of the primary screen in Qt's top-down desktop coordinates: the mirror line
// between those and the bottom-up coordinates of the floating surfaces.
qreal primaryScreenBottom();

} // namespace Parlino::X11
