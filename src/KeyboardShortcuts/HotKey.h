#pragma once

#include "KeyboardShortcuts/Shortcut.h"

#include <QtGlobal>

#include <functional>

namespace KeyboardShortcuts {

class HotKeyCenter;

// One key combination registered with the hot key center. It takes a fresh id from the center
// when it is made; destroying it withdraws it from the center and the desktop. Main thread.
class HotKey {
public:
    using Action = std::function<void()>;

    HotKey(HotKeyCenter& center, const Shortcut& shortcut, Action onKeyDown, Action onKeyUp);
    ~HotKey();
    HotKey(const HotKey&) = delete;
    HotKey& operator=(const HotKey&) = delete;

    qint64 id() const { return m_id; }
    const Shortcut& shortcut() const { return m_shortcut; }

    Action onKeyDown;
    Action onKeyUp;
    // Runs when the center could not register the hot key again after a menu closed or the
    // module was switched back on; the center has already forgotten it then.
    Action onRegistrationFailed;
    // Runs when another application takes the combination, or gives it back (`isTaken`).
    Action onTakenChanged;
    // Set by the center while the desktop holds the registration.
    bool isRegistered = false;
    // Set by the center while another application holds the combination: the hot key stays
    // registered and fires again once the desktop gives the combination back.
    bool isTaken = false;

private:
    HotKeyCenter& m_center;
    Shortcut m_shortcut;
    qint64 m_id;
};

} // namespace KeyboardShortcuts
