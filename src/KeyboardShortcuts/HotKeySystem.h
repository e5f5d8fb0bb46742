#pragma once

#include "KeyboardShortcuts/EventType.h"
#include "KeyboardShortcuts/Shortcut.h"

#include <QtGlobal>

#include <functional>
#include <optional>

class QKeyEvent;

namespace KeyboardShortcuts {

// A key going down or up in one of the application's own windows, in the terms shortcuts are
// stored in.
struct KeyEvent {
    EventType type;
    qint64 keyCode;         // virtual key code
    qint64 carbonModifiers; // the modifiers held, not normalised
    bool isRepeat = false;
};

// How the desktop repeats a held key, in seconds.
struct KeyRepeatTiming {
    double delay;
    double interval;
};

// The desktop's service of system-wide hot keys. Main thread.
class HotKeySystem {
public:
    using Handler = std::function<void(quint32 id, EventType type)>;
    using TakenHandler = std::function<void(quint32 id, bool isTaken)>;

    // What became of a registration.
    enum class Registration {
        held,    // the combination's presses come to the application
        taken,   // another application holds it: kept, and held once that application lets go
        refused, // the combination cannot be a hot key here: nothing is registered
    };

    virtual ~HotKeySystem() = default;

    // Where the presses and releases of registered hot keys go, on the main thread: one press
    // for each time the combination goes down (auto-repeat is dropped), then its release.
    virtual void setHandler(Handler handler) = 0;
    // Where a registered hot key goes when another application takes its combination, or when
    // the desktop gives a taken one back; on the main thread, never inside a call of this class.
    virtual void setTakenHandler(TakenHandler handler) = 0;

    // Registers the combination system-wide under `id`.
    virtual Registration registerHotKey(quint32 id, const Shortcut& shortcut) = 0;
    virtual void unregisterHotKey(quint32 id) = 0;

    // True when registering the combination would be refused because another application holds
    // it. The desktop keeps no list of its own shortcuts: a refused combination is taken.
    virtual bool isTakenElsewhere(const Shortcut& shortcut) = 0;

    // Takes the whole keyboard for the application's shown window `window` (its native id), so
    // that every key comes to the application, even a combination that another application or
    // this one holds as a hot key; it then goes to the focused window, or to `window` when the
    // focus is elsewhere. False when the desktop refuses (another client holds the keyboard).
    // Held until `releaseKeyboard`, which may be called any number of times.
    virtual bool grabKeyboard(quintptr window) = 0;
    virtual void releaseKeyboard() = 0;

    // The key event in shortcut terms; none for a key without a virtual key code.
    virtual std::optional<KeyEvent> keyEvent(const QKeyEvent& event) const = 0;

    virtual KeyRepeatTiming keyRepeatTiming() const = 0;
};

} // namespace KeyboardShortcuts
