#pragma once

#include <QtGlobal>

#include <optional>

struct xcb_connection_t;

namespace KeyboardShortcuts {

// Hears the key releases of the X server, whichever window they go to, while it is told to
// listen: XInput2 raw key releases of the master keyboards, selected on the root window beside
// whatever the connection selects there already. Every key typed anywhere wakes the application
// while it listens, so it listens only as long as it must. They come in order with the
// connection's other events, before the key event that a grab of the application gets for the
// same release; the server leaves some out while a grab of the application holds the keyboard (all
// of them when it is on the root window), and sends none for auto-repeat. One for each
// connection: its end takes the selection away. Main thread.
class XRawKeyReleases {
public:
    XRawKeyReleases(xcb_connection_t* connection, quint32 rootWindow);
    ~XRawKeyReleases();
    XRawKeyReleases(const XRawKeyReleases&) = delete;
    XRawKeyReleases& operator=(const XRawKeyReleases&) = delete;

    void setListening(bool isListening);
    // The X key code of a raw key release; none for any other event.
    std::optional<quint8> keyCode(const void* xcbEvent) const;

private:
    void select(bool on);

    xcb_connection_t* m_connection;
    quint32 m_root;
    std::optional<quint8> m_opcode; // of the XInput extension; none without it
    bool m_isListening = false;
};

} // namespace KeyboardShortcuts
