#pragma once

#include "KeyboardShortcuts/Linux/XHotKeyTable.h"

#include <QHash>

#include <functional>
#include <optional>

namespace KeyboardShortcuts {

// Which window each hot key's passive grab lives on. A combination is claimed on the root window,
// where a grab of it by another client is found and refused; it is then held on the target window
// (the one whose grab moves no focus out of the focused application), or kept on the root window
// when the target refuses it. Every grab follows the target when it moves.
class XGrabPlacement {
public:
    using Grab = XHotKeyTable::Grab;
    struct Requests {
        // Grabs the combination on the window in every state of the locks; all or none.
        std::function<bool(quint32 window, Grab grab)> grab;
        std::function<void(quint32 window, Grab grab)> ungrab;
    };

    XGrabPlacement(quint32 rootWindow, Requests requests);

    // False, holding nothing, when another client holds the combination.
    bool add(quint32 id, Grab grab);
    void remove(quint32 id);
    // Whether another client holds the combination on the root window; leaves no grab behind.
    bool isTakenElsewhere(Grab grab);

    quint32 target() const { return m_target; }
    void moveTo(quint32 target);
    // The window the hot key is grabbed on; none when it is not placed.
    std::optional<quint32> windowOf(quint32 id) const;

private:
    struct Placed {
        Grab grab;
        quint32 window;
    };
    // Holds the grab on the target, or on the root window when the target refuses it.
    quint32 place(Grab grab, quint32 from);

    quint32 m_root;
    quint32 m_target;
    Requests m_requests;
    QHash<quint32, Placed> m_placed;
};

} // namespace KeyboardShortcuts
