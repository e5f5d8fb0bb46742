#include "KeyboardShortcuts/Linux/XHotKeySystem.h"

#include "KeyboardShortcuts/Linux/XKeyCodes.h"
#include "KeyboardShortcuts/Linux/XModifiers.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>

#include "KeyboardShortcuts/Linux/XcbXkb.h"
#include <xcb/xcb.h>

#include <cstdlib>

namespace KeyboardShortcuts {

namespace {

constexpr xcb_keysym_t numLockSymbol = 0xff7f;

// How long a release waits for the press of an auto-repeat. The server sends the two together,
// but they may reach the event loop in separate turns; a repeat is never slower than this.
constexpr double releaseDelay = 0.05;

template <class T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <class T> Reply<T> reply(T* value) {
    return Reply<T>(value, &std::free);
}

// The modifier that Num Lock sets; Mod2 when the server does not say.
quint16 findNumLockMask(xcb_connection_t* connection) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const auto keyboard = reply(xcb_get_keyboard_mapping_reply(
        connection,
        xcb_get_keyboard_mapping(connection, setup->min_keycode,
                                 quint8(setup->max_keycode - setup->min_keycode + 1)),
        nullptr));
    const auto modifiers = reply(
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr));
    if (!keyboard || !modifiers)
        return XModifiers::mod2;
    const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(keyboard.get());
    const int symbolCount = xcb_get_keyboard_mapping_keysyms_length(keyboard.get());
    const xcb_keycode_t* keyCodes = xcb_get_modifier_mapping_keycodes(modifiers.get());
    const int perModifier = modifiers->keycodes_per_modifier;
    const int perKey = keyboard->keysyms_per_keycode;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int slot = 0; slot < perModifier; ++slot) {
            const xcb_keycode_t keyCode = keyCodes[modifier * perModifier + slot];
            for (int level = 0; keyCode >= setup->min_keycode && level < perKey; ++level) {
                const int index = (keyCode - setup->min_keycode) * perKey + level;
                if (index < symbolCount && symbols[index] == numLockSymbol)
                    return quint16(1u << modifier);
            }
        }
    }
    return XModifiers::mod2;
}

} // namespace

std::unique_ptr<XHotKeySystem> XHotKeySystem::create(Base::Scheduler& scheduler) {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return nullptr;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    return screen ? std::make_unique<XHotKeySystem>(connection, screen->root, scheduler) : nullptr;
}

XHotKeySystem::XHotKeySystem(xcb_connection_t* connection, quint32 rootWindow,
                             Base::Scheduler& scheduler)
    : m_connection(connection), m_rootWindow(rootWindow),
      m_numLockMask(findNumLockMask(connection)),
      m_placement(
          rootWindow,
          {[this](quint32 window, XHotKeyTable::Grab grabbed) { return grab(window, grabbed); },
           [this](quint32 window, XHotKeyTable::Grab grabbed) { ungrab(window, grabbed); }}),
      m_focusTarget(connection, rootWindow, [this](quint32) { followFocus(); }),
      m_rawReleases(connection, rootWindow), m_rootEvents(connection, rootWindow),
      m_scheduler(scheduler) {
    followFocus();
    QCoreApplication::instance()->installNativeEventFilter(this);
}

XHotKeySystem::~XHotKeySystem() {
    QCoreApplication::instance()->removeNativeEventFilter(this);
    for (const quint32 id : m_table.ids())
        unregisterHotKey(id);
    xcb_flush(m_connection);
}

HotKeySystem::Registration XHotKeySystem::registerHotKey(quint32 id, const Shortcut& shortcut) {
    const auto grabbed = grabOf(shortcut);
    if (!grabbed)
        return Registration::refused;
    m_table.add(id, *grabbed);
    const bool held = m_placement.add(id, *grabbed);
    listen();
    return held ? Registration::held : Registration::taken;
}

void XHotKeySystem::unregisterHotKey(quint32 id) {
    m_placement.remove(id);
    m_table.remove(id);
    listen();
}

bool XHotKeySystem::isTakenElsewhere(const Shortcut& shortcut) {
    const auto grabbed = grabOf(shortcut);
    return !grabbed || m_placement.isTakenElsewhere(*grabbed);
}

// The application's own windows keep their keys (owner events); the others' go to `window`.
bool XHotKeySystem::grabKeyboard(quintptr window) {
    const auto answer = reply(xcb_grab_keyboard_reply(
        m_connection,
        xcb_grab_keyboard(m_connection, true, xcb_window_t(window), XCB_CURRENT_TIME,
                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr));
    m_holdsKeyboard = answer && answer->status == XCB_GRAB_STATUS_SUCCESS;
    return m_holdsKeyboard;
}

void XHotKeySystem::releaseKeyboard() {
    m_holdsKeyboard = false;
    xcb_ungrab_keyboard(m_connection, XCB_CURRENT_TIME);
    xcb_flush(m_connection);
}

std::optional<KeyEvent> XHotKeySystem::keyEvent(const QKeyEvent& event) const {
    const auto keyCode = XKeyCodes::toVirtual(event.nativeScanCode());
    if (!keyCode)
        return std::nullopt;
    return KeyEvent{event.type() == QEvent::KeyPress ? EventType::keyDown : EventType::keyUp,
                    *keyCode, XModifiers::toCarbon(quint16(event.nativeModifiers())),
                    event.isAutoRepeat()};
}

KeyRepeatTiming XHotKeySystem::keyRepeatTiming() const {
    // The X server's own defaults.
    KeyRepeatTiming timing{0.66, 0.04};
    const auto extension = reply(xcb_xkb_use_extension_reply(
        m_connection, xcb_xkb_use_extension(m_connection, 1, 0), nullptr));
    if (!extension || !extension->supported)
        return timing;
    const auto controls = reply(xcb_xkb_get_controls_reply(
        m_connection, xcb_xkb_get_controls(m_connection, XCB_XKB_ID_USE_CORE_KBD), nullptr));
    if (controls && controls->repeatDelay > 0 && controls->repeatInterval > 0)
        timing = {controls->repeatDelay / 1000.0, controls->repeatInterval / 1000.0};
    return timing;
}

bool XHotKeySystem::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if (const auto released = m_rawReleases.keyCode(event)) {
        if (const auto deliveries = m_table.releasedElsewhere(*released); !deliveries.isEmpty())
            handleKeys(deliveries);
        return true;
    }
    const quint8 type = event->response_type & 0x7f;
    if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE)
        // Key releases have the same layout.
        return handleKeyEvent(type, *reinterpret_cast<const xcb_key_press_event_t*>(event));
    if (const auto change = rootWindowChange(event)) {
        // The window's client may have let go of a combination with it.
        if (*change == XCB_DESTROY_NOTIFY && m_placement.hasTaken()) {
            reportTaken(m_placement.claimTaken());
            listen();
        }
        return true;
    }
    m_focusTarget.handle(event);
    return false;
}

// The connection hears of keys in another client's window only through its grabs, and of those of
// the root window also while it listens there.
bool XHotKeySystem::handleKeyEvent(quint8 type, const xcb_key_press_event_t& key) {
    if (key.event != m_rootWindow && XFocusTarget::isOwn(m_connection, key.event) &&
        !isHotKeyInOwnWindow(type, key))
        return false;
    handleKeys(type == XCB_KEY_PRESS ? m_table.press(key.detail, key.state, key.time)
                                     : m_table.release(key.detail, key.time));
    return true;
}

// No grab comes between a key and the application's focused window: a press of a taken
// combination there tells that the other client let go, and the key's release follows it. While
// the application holds the whole keyboard, its windows get every key as it is.
bool XHotKeySystem::isHotKeyInOwnWindow(quint8 type, const xcb_key_press_event_t& key) const {
    if (m_holdsKeyboard)
        return false;
    if (type == XCB_KEY_RELEASE)
        return m_table.isDown(key.detail);
    const auto id = m_table.match(key.detail, key.state);
    return id && m_placement.isTaken(*id);
}

// A window on the root window came, went or changed, told only because the connection listens to
// the root window's substructure, and of no concern to Qt, which takes a configuration told on the
// root window for a change of the screens. The event's type; none for another event.
std::optional<quint8> XHotKeySystem::rootWindowChange(const void* xcbEvent) const {
    const auto* event = static_cast<const xcb_generic_event_t*>(xcbEvent);
    const quint8 type = event->response_type & 0x7f;
    if (type < XCB_CREATE_NOTIFY || type > XCB_CIRCULATE_NOTIFY || type == XCB_MAP_REQUEST ||
        type == XCB_CONFIGURE_REQUEST || type == XCB_RESIZE_REQUEST)
        return std::nullopt;
    // Every notification of the kind names the window told first and the window second.
    const auto* notify = static_cast<const xcb_destroy_notify_event_t*>(xcbEvent);
    if (notify->event != m_rootWindow || notify->window == m_rootWindow)
        return std::nullopt;
    return type;
}

void XHotKeySystem::handleKeys(const QList<XHotKeyTable::Delivery>& deliveries) {
    // A taken combination whose press reached the application, through its grab or where no grab
    // came before it, is free again: it is the application's before its press is delivered.
    for (const auto& delivery : deliveries)
        if (delivery.type == EventType::keyDown)
            if (const auto change = m_placement.pressed(delivery.id))
                reportTaken({*change});
    deliver(deliveries);
    m_releaseTask = m_table.hasPendingRelease()
                        ? m_scheduler.after(releaseDelay, [this] { deliverPendingRelease(); })
                        : Base::ScheduledTask();
    followFocus();
}

std::optional<XHotKeyTable::Grab> XHotKeySystem::grabOf(const Shortcut& shortcut) const {
    const auto keyCode = XKeyCodes::fromVirtual(shortcut.carbonKeyCode());
    const auto modifiers = XModifiers::fromCarbon(shortcut.carbonModifiers());
    if (!keyCode || !modifiers || *keyCode > 255)
        return std::nullopt;
    return XHotKeyTable::Grab{quint8(*keyCode), *modifiers};
}

QList<quint16> XHotKeySystem::lockVariants(quint16 modifiers) const {
    return {modifiers, quint16(modifiers | XModifiers::lock), quint16(modifiers | m_numLockMask),
            quint16(modifiers | XModifiers::lock | m_numLockMask)};
}

bool XHotKeySystem::grab(quint32 window, XHotKeyTable::Grab grab) {
    QList<xcb_void_cookie_t> cookies;
    for (const quint16 modifiers : lockVariants(grab.modifiers))
        cookies.append(xcb_grab_key_checked(m_connection, false, window, modifiers, grab.keyCode,
                                            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    bool refused = false;
    for (const auto& cookie : cookies)
        if (const auto error = reply(xcb_request_check(m_connection, cookie)))
            refused = true;
    if (refused)
        ungrab(window, grab);
    return !refused;
}

// Another client's window may be gone, and its grabs with it: that error is not worth a report.
void XHotKeySystem::ungrab(quint32 window, XHotKeyTable::Grab grab) {
    for (const quint16 modifiers : lockVariants(grab.modifiers))
        xcb_discard_reply(
            m_connection,
            xcb_ungrab_key_checked(m_connection, grab.keyCode, window, modifiers).sequence);
    xcb_flush(m_connection);
}

void XHotKeySystem::deliverPendingRelease() {
    deliver(m_table.flush());
    followFocus();
}

void XHotKeySystem::followFocus() {
    if (!m_table.isHolding())
        reportTaken(m_placement.moveTo(m_focusTarget.window()));
    listen();
}

// The raw key releases come first: the root window's keys, which a held key's release may go to,
// are let go only once they are heard.
void XHotKeySystem::listen() {
    m_rawReleases.setListening(m_table.isHolding());
    quint32 rootEvents = 0;
    if (m_placement.hasTaken())
        rootEvents |= XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    if (m_placement.hasTakenOnNoWindow())
        rootEvents |= XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE;
    m_rootEvents.select(rootEvents);
}

void XHotKeySystem::reportTaken(const QList<XGrabPlacement::TakenChange>& changes) {
    for (const auto& change : changes)
        if (m_takenHandler)
            m_takenHandler(change.id, change.isTaken);
}

void XHotKeySystem::deliver(const QList<XHotKeyTable::Delivery>& deliveries) {
    for (const auto& delivery : deliveries)
        if (m_handler)
            m_handler(delivery.id, delivery.type);
}

} // namespace KeyboardShortcuts
