#pragma once

#include "Parlino/Panel/PointerMotionSource.h"

class QSocketNotifier;
struct _XDisplay;

namespace Parlino {

// Pointer motion from the XInput2 raw motion events of the root window, read on the main thread
// from an X connection of its own, without grabbing anything: they arrive over every window and
// during another client's grab. Motion is selected only while started; the connection stays
// open between starts.
class XInputPointerMotionSource final : public PointerMotionSource {
public:
    XInputPointerMotionSource() = default;
    ~XInputPointerMotionSource() override;
    XInputPointerMotionSource(const XInputPointerMotionSource&) = delete;
    XInputPointerMotionSource& operator=(const XInputPointerMotionSource&) = delete;

    bool start(std::function<void()> onMotion) override;
    void stop() override;

private:
    bool connect();
    void disconnect();
    void selectMotion(bool on);
    void readEvents();

    _XDisplay* m_display = nullptr;
    int m_opcode = 0;
    QSocketNotifier* m_notifier = nullptr;
    std::function<void()> m_handler;
};

} // namespace Parlino
