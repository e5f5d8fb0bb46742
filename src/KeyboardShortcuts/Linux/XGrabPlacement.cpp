#include "KeyboardShortcuts/Linux/XGrabPlacement.h"

#include <algorithm>

namespace KeyboardShortcuts {

XGrabPlacement::XGrabPlacement(quint32 rootWindow, Requests requests)
    : m_root(rootWindow), m_target(rootWindow), m_requests(std::move(requests)) {}

bool XGrabPlacement::add(quint32 id, Grab grab) {
    const Placed placed = place(grab, std::nullopt);
    m_placed.insert(id, placed);
    return !placed.isTaken;
}

void XGrabPlacement::remove(quint32 id) {
    const auto found = m_placed.constFind(id);
    if (found == m_placed.cend())
        return;
    if (found->window)
        m_requests.ungrab(*found->window, found->grab);
    m_placed.erase(found);
}

bool XGrabPlacement::isTakenElsewhere(Grab grab) {
    if (!m_requests.grab(m_root, grab))
        return true;
    m_requests.ungrab(m_root, grab);
    return false;
}

QList<XGrabPlacement::TakenChange> XGrabPlacement::moveTo(quint32 target) {
    if (target == m_target)
        return {};
    m_target = target;
    QList<TakenChange> changes;
    for (auto it = m_placed.begin(); it != m_placed.end(); ++it) {
        const bool wasTaken = it->isTaken;
        *it = place(it->grab, it->window);
        if (wasTaken != it->isTaken)
            changes.append({it.key(), it->isTaken});
    }
    return changes;
}

std::optional<XGrabPlacement::TakenChange> XGrabPlacement::pressed(quint32 id) {
    const auto found = m_placed.find(id);
    if (found == m_placed.end() || !claim(*found))
        return std::nullopt;
    return TakenChange{id, false};
}

QList<XGrabPlacement::TakenChange> XGrabPlacement::claimTaken() {
    QList<TakenChange> changes;
    for (auto it = m_placed.begin(); it != m_placed.end(); ++it)
        if (claim(*it))
            changes.append({it.key(), false});
    return changes;
}

bool XGrabPlacement::isTaken(quint32 id) const {
    const auto found = m_placed.constFind(id);
    return found != m_placed.cend() && found->isTaken;
}

bool XGrabPlacement::hasTaken() const {
    return std::any_of(m_placed.cbegin(), m_placed.cend(),
                       [](const Placed& placed) { return placed.isTaken; });
}

bool XGrabPlacement::hasTakenOnNoWindow() const {
    return std::any_of(m_placed.cbegin(), m_placed.cend(),
                       [](const Placed& placed) { return placed.isTaken && !placed.window; });
}

std::optional<quint32> XGrabPlacement::windowOf(quint32 id) const {
    const auto found = m_placed.constFind(id);
    return found == m_placed.cend() ? std::nullopt : found->window;
}

// The new grabs come first, so that no moment passes in which the combination is not grabbed. A
// taken combination is never grabbed on the root window, so claiming it there again lets go of
// nothing of the application's; one grabbed on the target already stays as it is.
XGrabPlacement::Placed XGrabPlacement::place(Grab grab, std::optional<quint32> from) {
    const bool claimed = m_requests.grab(m_root, grab);
    std::optional<quint32> to;
    if (m_target != m_root && (from == m_target || m_requests.grab(m_target, grab)))
        to = m_target;
    else if (claimed)
        to = m_root;
    if (from && from != to && *from != m_root)
        m_requests.ungrab(*from, grab);
    if (claimed && to != m_root)
        m_requests.ungrab(m_root, grab);
    return {grab, to, !claimed};
}

bool XGrabPlacement::claim(Placed& placed) {
    if (!placed.isTaken)
        return false;
    placed = place(placed.grab, placed.window);
    return !placed.isTaken;
}

} // namespace KeyboardShortcuts
