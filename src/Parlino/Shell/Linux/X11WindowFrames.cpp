#include "Parlino/Shell/Linux/X11WindowFrames.h"

#include "Base/Log.h"
#include "Parlino/Shell/Linux/XcbProperties.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>

namespace Parlino {

namespace {

const Base::Log log(QStringLiteral("placement"));

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

X11WindowFrames::X11WindowFrames() : m_connection(Xcb::applicationConnection()) {
    if (!m_connection)
        return;
    m_root = Xcb::rootWindow(m_connection);
    m_extents = Xcb::atom(m_connection, "_NET_FRAME_EXTENTS");
    m_request = Xcb::atom(m_connection, "_NET_REQUEST_FRAME_EXTENTS");
    m_managerCheck = Xcb::atom(m_connection, "_NET_SUPPORTING_WM_CHECK");
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
    const QList<quint32> sides = Xcb::values(m_connection, window, m_extents, XCB_ATOM_CARDINAL, 4);
    if (sides.size() != 4)
        return std::nullopt;
    // Left, right, top and bottom, as the window manager gives them.
    const auto side = [](quint32 pixels) { return int(std::min<quint32>(pixels, 1u << 14)); };
    return QMargins(side(sides[0]), side(sides[2]), side(sides[1]), side(sides[3]));
}

quint32 X11WindowFrames::manager() const {
    const quint32 check = windowProperty(m_root, m_managerCheck);
    return check && windowProperty(check, m_managerCheck) == check ? check : 0;
}

// The window a property of type WINDOW names; 0 when there is none, or no such window.
quint32 X11WindowFrames::windowProperty(quint32 window, quint32 property) const {
    const QList<quint32> named = Xcb::values(m_connection, window, property, XCB_ATOM_WINDOW, 1);
    return named.size() == 1 ? named.front() : 0;
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
