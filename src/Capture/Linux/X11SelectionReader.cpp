#include "Capture/Linux/X11SelectionReader.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <QByteArray>

#include <poll.h>

#include <algorithm>

namespace Capture {

namespace {

// How long to wait for the server between two looks at the stop request, in milliseconds.
constexpr int pollMilliseconds = 10;

constexpr qsizetype maxBytes = Core::CaptureError::maxSelectionBytes;

struct Property {
    Atom type = None;
    QByteArray bytes;
    // The value held more than the room it was read with; it was neither taken whole nor deleted.
    bool exceeds = false;
    // The first 32-bit item, for INCR's lower bound of the size.
    std::optional<unsigned long> number;
};

// Reads and deletes the property, which hands the owner the turn in an incremental transfer. Of a
// value longer than `room` bytes no more than a few bytes past the room are read.
Property takeProperty(Display* display, Window window, Atom property, qsizetype room) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    Property result;
    // The length is counted in 32-bit units; one more than the room shows whether there is more.
    const long units = long(room / 4 + 1);
    if (XGetWindowProperty(display, window, property, 0, units, True, AnyPropertyType, &type,
                           &format, &count, &remaining, &data) == Success) {
        result.type = type;
        result.exceeds = remaining > 0 || (format == 8 && qsizetype(count) > room);
        if (data && format == 8 && !result.exceeds)
            result.bytes = QByteArray(reinterpret_cast<const char*>(data), qsizetype(count));
        if (data && format == 32 && count > 0)
            result.number = reinterpret_cast<const unsigned long*>(data)[0];
    }
    if (data)
        XFree(data);
    return result;
}

// Waits for the next event of `display` that `matches` accepts, until `end` on `clock` or a stop.
template <class Matches>
bool nextEvent(Display* display, XEvent& event, Matches matches, const Base::Clock& clock,
               double end, std::stop_token stop) {
    for (;;) {
        while (XPending(display) > 0) {
            XNextEvent(display, &event);
            if (matches(event))
                return true;
        }
        if (stop.stop_requested() || clock.now() >= end)
            return false;
        pollfd descriptor{ConnectionNumber(display), POLLIN, 0};
        poll(&descriptor, 1, pollMilliseconds);
    }
}

} // namespace

std::unique_ptr<X11SelectionReader>
X11SelectionReader::open(const char* selection, const Base::Clock& clock, double timeout) {
    auto x11 = X11Connection::open();
    if (!x11)
        return nullptr;
    const Atom atom = x11->withDisplay(
        [selection](Display* display) { return XInternAtom(display, selection, False); });
    return std::unique_ptr<X11SelectionReader>(
        new X11SelectionReader(std::move(x11), atom, clock, timeout));
}

X11SelectionReader::X11SelectionReader(std::unique_ptr<X11Connection> x11, unsigned long selection,
                                       const Base::Clock& clock, double timeout)
    : m_x11(std::move(x11)), m_selection(selection), m_clock(clock), m_timeout(timeout) {
    m_window = m_x11->withDisplay(makeRequestorWindow);
}

unsigned long X11SelectionReader::makeRequestorWindow(Display* display) {
    const Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(display, window, PropertyChangeMask);
    XFlush(display);
    return window;
}

X11SelectionReader::~X11SelectionReader() {
    m_x11->withDisplay([this](Display* display) { return XDestroyWindow(display, m_window); });
}

std::optional<unsigned long> X11SelectionReader::acceptedOwner(const OwnerRule& accepts,
                                                               std::stop_token stop) {
    const Window owner = m_x11->withDisplay(
        [this](Display* display) { return XGetSelectionOwner(display, m_selection); });
    if (stop.stop_requested() || owner == None || !accepts(*m_x11, owner))
        return std::nullopt;
    return owner;
}

OfferedText X11SelectionReader::read(const OwnerRule& accepts, std::stop_token stop) {
    if (!acceptedOwner(accepts, stop))
        return std::optional<QString>();
    return m_x11->withDisplay([&](Display* display) { return convert(display, stop); });
}

std::optional<double> X11SelectionReader::age(const OwnerRule& accepts, std::stop_token stop) {
    if (!acceptedOwner(accepts, stop))
        return std::nullopt;
    return m_x11->withDisplay([&](Display* display) { return askAge(display, stop); });
}

// Asks the owner when it took the selection (the TIMESTAMP target) and, in the same exchange, the
// server what time it is: the time of a change to a property of the requestor window.
std::optional<double> X11SelectionReader::askAge(Display* display, std::stop_token stop) {
    const Atom timestamp = XInternAtom(display, "TIMESTAMP", False);
    const Atom property = XInternAtom(display, "PARLINO_SELECTION", False);
    const Atom serverTime = XInternAtom(display, "PARLINO_SERVER_TIME", False);
    XSync(display, True);
    XDeleteProperty(display, m_window, property);
    XChangeProperty(display, m_window, serverTime, XA_INTEGER, 32, PropModeAppend, nullptr, 0);
    XConvertSelection(display, m_selection, timestamp, property, m_window, CurrentTime);
    XFlush(display);

    std::optional<Time> now;
    bool answered = false;
    XEvent event;
    const auto awaited = [&](const XEvent& e) {
        if (e.type == PropertyNotify)
            return e.xproperty.window == m_window && e.xproperty.atom == serverTime;
        return e.type == SelectionNotify && e.xselection.requestor == m_window &&
               e.xselection.selection == m_selection;
    };
    const double end = m_clock.now() + m_timeout;
    while (!now || !answered) {
        if (!nextEvent(display, event, awaited, m_clock, end, stop))
            return std::nullopt;
        if (event.type == PropertyNotify) {
            now = event.xproperty.time;
        } else if (event.xselection.property == None) {
            return std::nullopt;
        } else {
            answered = true;
        }
    }
    const Property taken = takeProperty(display, m_window, property, sizeof(quint32));
    if (!taken.number)
        return std::nullopt;
    // Server times are milliseconds that wrap around; a selection taken after the server told
    // the time is no older than now.
    const auto milliseconds = qint32(quint32(*now) - quint32(*taken.number));
    return std::max(milliseconds, 0) / 1000.0;
}

OfferedText X11SelectionReader::convert(Display* display, std::stop_token stop) {
    const OfferedText nothing = std::optional<QString>();
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    const Atom incremental = XInternAtom(display, "INCR", False);
    const Atom property = XInternAtom(display, "PARLINO_SELECTION", False);
    // Answers to earlier requests that came too late are of no use any more.
    XSync(display, True);
    XDeleteProperty(display, m_window, property);
    XConvertSelection(display, m_selection, utf8, property, m_window, CurrentTime);
    XFlush(display);

    XEvent event;
    const auto answered = [&](const XEvent& e) {
        return e.type == SelectionNotify && e.xselection.requestor == m_window &&
               e.xselection.selection == m_selection;
    };
    if (!nextEvent(display, event, answered, m_clock, m_clock.now() + m_timeout, stop) ||
        event.xselection.property == None)
        return nothing;

    const Property answer = takeProperty(display, m_window, property, maxBytes);
    if (answer.type == incremental) {
        if (answer.number && *answer.number > static_cast<unsigned long>(maxBytes))
            return refuseTransfer(display);
        // Each further piece is a new value of the property; an empty one ends the transfer.
        const auto newPiece = [&](const XEvent& e) {
            return e.type == PropertyNotify && e.xproperty.window == m_window &&
                   e.xproperty.atom == property && e.xproperty.state == PropertyNewValue;
        };
        QByteArray text;
        for (;;) {
            if (!nextEvent(display, event, newPiece, m_clock, m_clock.now() + m_timeout, stop))
                return nothing;
            const Property piece =
                takeProperty(display, m_window, property, maxBytes - text.size());
            if (piece.exceeds)
                return refuseTransfer(display);
            if (piece.bytes.isEmpty())
                break;
            text += piece.bytes;
        }
        return std::optional(QString::fromUtf8(text));
    }
    if (answer.exceeds)
        return refuseTransfer(display);
    if (answer.type != utf8 && answer.type != XA_STRING)
        return nothing;
    return std::optional(answer.type == utf8 ? QString::fromUtf8(answer.bytes)
                                             : QString::fromLatin1(answer.bytes));
}

OfferedText X11SelectionReader::refuseTransfer(Display* display) {
    // The owner may go on writing into the old window's property; a new requestor window leaves
    // those writes nowhere instead of in the next transfer.
    XDestroyWindow(display, m_window);
    m_window = makeRequestorWindow(display);
    return Base::failure(Core::CaptureError::selectionTooLarge());
}

} // namespace Capture
