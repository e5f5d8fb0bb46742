#pragma once

#include "KeyboardShortcuts/Linux/XHotKeyTable.h"

#include <QHash>
#include <QList>

#include <functional>
#include <optional>

namespace KeyboardShortcuts {

// Which window each hot key's passive grab lives on. A combination is claimed on the root window,
// where a grab of it by another client is found and refused; it is then held on the target window
// (the one whose grab moves no focus out of the focused application), or kept on the root window
// when the target refuses it. A combination that another client holds on the root window is
// taken, and is grabbed on any other target all the same: the server puts the root window's grab
// first, so the press goes to that client while it holds the combination, and to the application
// as soon as it lets go. On the root window itself it waits on no window: its press then goes
// wherever the focus is. Whenever the target moves, every combination is claimed again and
// follows it; a press of a taken combination that reaches the application claims it again at
// once, and so may any other sign that the client has let go.
class XGrabPlacement {
public:
    using Grab = XHotKeyTable::Grab;
    struct Requests {
        // Grabs the combination on the window in every state of the locks; all or none.
        std::function<bool(quint32 window, Grab grab)> grab;
        std::function<void(quint32 window, Grab grab)> ungrab;
    };
    // A hot key that another client took, or that came back.
    struct TakenChange {
        quint32 id;
        bool isTaken;
        friend bool operator==(const TakenChange&, const TakenChange&) = default;
    };

    XGrabPlacement(quint32 rootWindow, Requests requests);

    // Places the combination; false when another client holds it: it is kept as taken then.
    bool add(quint32 id, Grab grab);
    void remove(quint32 id);
    // Whether another client holds the combination on the root window; leaves no grab behind.
    bool isTakenElsewhere(Grab grab);

    quint32 target() const { return m_target; }
    // The hot keys whose combination was taken or came back on the way, in no particular order.
    QList<TakenChange> moveTo(quint32 target);
    // The hot key's press reached the application, which no grab of another client on the root
    // window allows: a taken one is claimed again, and is the application's, grabbed where the
    // target is, when no other client holds it on the root window any more.
    std::optional<TakenChange> pressed(quint32 id);
    // Claims every taken combination again, where they are; those that came back.
    QList<TakenChange> claimTaken();
    // The window the hot key is grabbed on; none when no window takes it or it is not placed.
    std::optional<quint32> windowOf(quint32 id) const;
    bool isTaken(quint32 id) const;
    bool hasTaken() const;
    // A taken combination waits on no window: no grab tells when the other client lets go.
    bool hasTakenOnNoWindow() const;

private:
    struct Placed {
        Grab grab;
        std::optional<quint32> window; // never the root window while taken
        bool isTaken = false;
    };
    // Claims the combination on the root window and holds it on the target, or on the root window
    // when the target refuses it and the claim held, then lets go where it was.
    Placed place(Grab grab, std::optional<quint32> from);
    // Places a taken combination again; true when it is the application's now.
    bool claim(Placed& placed);

    quint32 m_root;
    quint32 m_target;
    Requests m_requests;
    QHash<quint32, Placed> m_placed;
};

} // namespace KeyboardShortcuts
