#pragma once

#include <QAbstractNativeEventFilter>

struct xcb_connection_t;

namespace KeyboardShortcuts {

// Keeps the module's keyboard layout in step with the X server: reads it when made, and again
// when the keymap changes or the user switches layouts. Main thread.
class XkbLayoutTracker final : public QAbstractNativeEventFilter {
public:
    // Tracks the layout of the application's X connection; without one it sets no layout.
    XkbLayoutTracker();
    ~XkbLayoutTracker() override;
    XkbLayoutTracker(const XkbLayoutTracker&) = delete;
    XkbLayoutTracker& operator=(const XkbLayoutTracker&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void reload();

    xcb_connection_t* m_connection = nullptr;
    quint8 m_xkbEventType = 0;
};

} // namespace KeyboardShortcuts
