#include "Parlino/Panel/Linux/CompositorWatch.h"

#include <QByteArray>
#include <QSocketNotifier>

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace Parlino {

// A connection of our own: the selection events it asks for never reach Qt's event handling.
struct CompositorWatch::Connection {
    Display* display = nullptr;
    Atom selection = None;
    int fixesEventBase = 0;

    ~Connection() {
        if (display)
            XCloseDisplay(display);
    }
};

CompositorWatch::CompositorWatch(QObject* parent)
    : QObject(parent), m_connection(std::make_unique<Connection>()) {
    Connection& c = *m_connection;
    c.display = XOpenDisplay(nullptr);
    if (!c.display)
        return;
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(DefaultScreen(c.display));
    c.selection = XInternAtom(c.display, name.constData(), False);
    int errorBase = 0;
    if (XFixesQueryExtension(c.display, &c.fixesEventBase, &errorBase)) {
        XFixesSelectSelectionInput(c.display, DefaultRootWindow(c.display), c.selection,
                                   XFixesSetSelectionOwnerNotifyMask |
                                       XFixesSelectionWindowDestroyNotifyMask |
                                       XFixesSelectionClientCloseNotifyMask);
        m_notifier =
            std::make_unique<QSocketNotifier>(ConnectionNumber(c.display), QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this, &CompositorWatch::readEvents);
    }
    m_running = ownerExists();
    XFlush(c.display);
}

CompositorWatch::~CompositorWatch() = default;

bool CompositorWatch::ownerExists() const {
    return XGetSelectionOwner(m_connection->display, m_connection->selection) != None;
}

void CompositorWatch::readEvents() {
    Display* display = m_connection->display;
    bool ownerChanged = false;
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        ownerChanged |= event.type == m_connection->fixesEventBase + XFixesSelectionNotify;
    }
    if (!ownerChanged)
        return;
    const bool running = ownerExists();
    if (running == m_running)
        return;
    m_running = running;
    emit runningChanged();
}

} // namespace Parlino
