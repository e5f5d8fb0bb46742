#pragma once

#include <QtGlobal>

#include <functional>

namespace Parlino {

// What an event source hands to its handler. Times are seconds of system uptime.
struct TapSourceEvent {
    enum class Kind {
        flagsChanged,  // a modifier key went down or up: its key code and the flags word after
        keyDown,       // an ordinary key went down
        mouseActivity, // a mouse button went down or the wheel moved
        suppression,   // the focus changed in a way that ends a tap in progress
    };
    Kind kind = Kind::keyDown;
    quint16 keyCode = 0; // virtual key code
    quint64 rawFlags = 0;
    double at = 0;

    static TapSourceEvent flagsChanged(quint16 keyCode, quint64 rawFlags, double at) {
        return {Kind::flagsChanged, keyCode, rawFlags, at};
    }
    static TapSourceEvent keyDown(double at) { return {Kind::keyDown, 0, 0, at}; }
    static TapSourceEvent mouseActivity(double at) { return {Kind::mouseActivity, 0, 0, at}; }
    static TapSourceEvent suppression(double at) { return {Kind::suppression, 0, 0, at}; }
    friend bool operator==(const TapSourceEvent&, const TapSourceEvent&) = default;
};

// Watches the whole desktop's keyboard and mouse without consuming anything, and hands every
// relevant event to one handler on the main thread.
class TapEventSource {
public:
    using Handler = std::function<void(const TapSourceEvent&)>;

    virtual ~TapEventSource() = default;

    // Begins delivering; false when the system refused to deliver anything.
    virtual bool start(Handler handler) = 0;
    // Stops delivering and removes everything start installed.
    virtual void stop() = 0;
};

} // namespace Parlino
