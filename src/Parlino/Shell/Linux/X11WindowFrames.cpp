#include "Parlino/Shell/Linux/X11WindowFrames.h"

#include "Base/Log.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>

namespace Parlino {

namespace {

const Base::Log log(QStringLiteral("placement"));

quint32 atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, quint16(qstrlen(name)), name), nullptr);
    const quint32 found = reply ? reply->atom : quint32(XCB_ATOM_NONE);
    std::free(reply);
    return found;
}

// The window's own X window; none before Qt has made it.
quint32 nativeWindow(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    return handle && handle->handle() ? quint32(handle->winId()) : 0;
}

// Whether the application's window with this X window shows now.
bool isShown(quint32 native) {
    const QWindowList windows = QGuiApplication::allWindows();
    return std::any_of(windows.begin(), windows.end(), [native](const QWindow* window) {
        return window->handle() && quint32(window->winId()) == native && window->isVisible();
    });
}

} // namespace

class X11WindowFrames::Handle final : public Following {
public:
    Handle(std::list<Follower>& followers, std::list<Follower>::iterator follower)
        : m_followers(followers), m_follower(follower) {}
    ~Handle() override { m_followers.erase(m_follower); }

private:
    std::list<Follower>& m_followers;
    std::list<Follower>::iterator m_follower;
};

X11WindowFrames::X11WindowFrames() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    m_connection = x11 ? x11->connection() : nullptr;
    if (!m_connection)
        return;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    m_extents = atom(m_connection, "_NET_FRAME_EXTENTS");
    m_request = atom(m_connection, "_NET_REQUEST_FRAME_EXTENTS");
    m_managerCheck = atom(m_connection, "_NET_SUPPORTING_WM_CHECK");
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11WindowFrames::~X11WindowFrames() {
    if (m_connection)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

// A hidden window's property is what the manager left there when it let the window go, which need
// not be the frame it gives the window when it shows again.
std::optional<QMargins> X11WindowFrames::told(const QWidget& window) {
    const quint32 native = nativeWindow(window);
    return m_connection && native && isShown(native) && manager() ? read(native) : std::nullopt;
}

std::optional<QMargins> X11WindowFrames::toldBefore() {
    if (m_toldBefore && m_toldBefore->manager != manager()) {
        log.info("the frame told before is forgotten: the window manager that told it has gone");
        m_toldBefore.reset();
    }
    return m_toldBefore ? std::optional(m_toldBefore->frame) : std::nullopt;
}

std::unique_ptr<WindowFrames::Following>
X11WindowFrames::follow(QWidget& window, std::function<void(QMargins)> told) {
    if (!m_connection)
        return std::make_unique<Following>();
    // Made now, unmapped, so that the manager can be asked about it before it shows.
    const auto native = quint32(window.winId());
    m_followers.push_back({native, std::move(told)});
    auto handle = std::make_unique<Handle>(m_followers, std::prev(m_followers.end()));
    request(native);
    return handle;
}

bool X11WindowFrames::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(event);
    if (change->atom != m_extents)
        return false;
    // A manager takes back the frame of a window it holds; the one of a window that closed goes
    // with the closing, and what it told stands.
    if (change->state == XCB_PROPERTY_DELETE) {
        if (m_toldBefore && m_toldBefore->window == change->window && isShown(change->window)) {
            log.info("the frame told before is forgotten: its window's frame was taken back");
            m_toldBefore.reset();
        }
        return false;
    }
    for (const Follower& follower : m_followers)
        if (follower.window == change->window) {
            if (const auto extents = read(change->window)) {
                m_toldBefore = Told{change->window, *extents, manager()};
                // A copy: telling may end the following, and the follower with it.
                const auto told = follower.told;
                told(*extents);
            }
            break;
        }
    return false;
}

std::optional<QMargins> X11WindowFrames::read(quint32 window) const {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, window, m_extents, XCB_ATOM_CARDINAL, 0, 4),
        nullptr);
    std::optional<QMargins> extents;
    if (reply && reply->type == XCB_ATOM_CARDINAL && reply->format == 32 &&
        xcb_get_property_value_length(reply) == 4 * 4) {
        // Left, right, top and bottom, as the window manager gives them.
        const auto* sides = static_cast<const quint32*>(xcb_get_property_value(reply));
        const auto side = [](quint32 pixels) { return int(std::min<quint32>(pixels, 1u << 14)); };
        extents = QMargins(side(sides[0]), side(sides[2]), side(sides[1]), side(sides[3]));
    }
    std::free(reply);
    return extents;
}

quint32 X11WindowFrames::manager() const {
    const quint32 check = windowProperty(m_root, m_managerCheck);
    return check && windowProperty(check, m_managerCheck) == check ? check : 0;
}

// The window a property of type WINDOW names; 0 when there is none, or no such window.
quint32 X11WindowFrames::windowProperty(quint32 window, quint32 property) const {
    xcb_generic_error_t* error = nullptr;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, window, property, XCB_ATOM_WINDOW, 0, 1),
        &error);
    quint32 named = 0;
    if (reply && reply->type == XCB_ATOM_WINDOW && reply->format == 32 &&
        xcb_get_property_value_length(reply) == 4)
        named = *static_cast<const quint32*>(xcb_get_property_value(reply));
    std::free(reply);
    std::free(error);
    return named;
}

void X11WindowFrames::request(quint32 window) const {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = m_request;
    xcb_send_event(m_connection, 0, m_root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(m_connection);
}

} // namespace Parlino
