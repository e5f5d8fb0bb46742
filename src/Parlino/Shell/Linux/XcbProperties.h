#pragma once

#include <QList>
#include <QtGlobal>

struct xcb_connection_t;

// Small reads on Qt's own X connection for the shell's X11 classes. Each asks and waits for its
// answer; an error (a window gone meanwhile) is taken in and answers as nothing, never reaching
// Qt's event queue.
namespace Parlino::Xcb {

// Qt's connection to the X server; none when Qt does not run on X11.
xcb_connection_t* applicationConnection();
// The root window of the connection's first screen.
quint32 rootWindow(xcb_connection_t* connection);
quint32 atom(xcb_connection_t* connection, const char* name);
// The 32-bit values of a window's property of `type`, at most `most` of them; none when it has no
// such property.
QList<quint32> values(xcb_connection_t* connection, quint32 window, quint32 property, quint32 type,
                      quint32 most);

} // namespace Parlino::Xcb
