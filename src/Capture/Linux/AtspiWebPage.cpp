#include "Capture/Linux/AtspiWebPage.h"

#include "Capture/Linux/AtspiTextCalls.h"

namespace Capture {

AtspiWebPage::AtspiWebPage(AtspiRef<AtspiAccessible> focused,
                           std::vector<AtspiRef<AtspiAccessible>> focusedLately,
                           const AtspiTimeBudget& time)
    : m_time(time), m_focusedLately(std::move(focusedLately)) {
    m_nodes.push_back(std::move(focused));
}

AtspiAccessible* AtspiWebPage::at(Node node) const {
    return node >= 0 && size_t(node) < m_nodes.size() ? m_nodes[size_t(node)].get() : nullptr;
}

std::optional<WebPage::Role> AtspiWebPage::role(Node node) {
    AtspiAccessible* accessible = at(node);
    if (!accessible || !m_time.arm())
        return std::nullopt;
    AtspiErrorSink error;
    const AtspiRole role = atspi_accessible_get_role(accessible, error.out());
    if (error.failed() || role == ATSPI_ROLE_INVALID)
        return std::nullopt;
    switch (role) {
    case ATSPI_ROLE_DOCUMENT_WEB:
        return Role::document;
    // A page's own dialogs stand inside it: only the windows of the desktop end the way up.
    case ATSPI_ROLE_FRAME:
    case ATSPI_ROLE_WINDOW:
    case ATSPI_ROLE_APPLICATION:
        return Role::window;
    default:
        return Role::other;
    }
}

std::optional<WebPage::Node> AtspiWebPage::parent(Node node) {
    AtspiAccessible* accessible = at(node);
    if (!accessible || !m_time.arm())
        return std::nullopt;
    AtspiErrorSink error;
    AtspiRef<AtspiAccessible> parent(atspi_accessible_get_parent(accessible, error.out()));
    if (error.failed() || !parent)
        return std::nullopt;
    m_nodes.push_back(std::move(parent));
    return Node(m_nodes.size() - 1);
}

std::optional<qint32> AtspiWebPage::selectionCount(Node node) {
    AtspiAccessible* accessible = at(node);
    return AtspiTextCalls::number(accessible ? ATSPI_TEXT(accessible) : nullptr,
                                  atspi_text_get_n_selections, m_time);
}

std::optional<QList<WebPage::Node>> AtspiWebPage::documentsFocusedLately() {
    QList<Node> documents;
    for (const AtspiRef<AtspiAccessible>& accessible : m_focusedLately) {
        if (accessible.get() == at(0))
            continue;
        const auto onShow = isDocumentOnShow(accessible.get());
        if (!onShow)
            return std::nullopt;
        if (*onShow) {
            documents.append(Node(m_nodes.size()));
            m_nodes.push_back(accessible);
        }
    }
    return documents;
}

std::optional<bool> AtspiWebPage::isDocumentOnShow(AtspiAccessible* accessible) {
    if (!m_time.arm())
        return std::nullopt;
    AtspiErrorSink error;
    const AtspiRole role = atspi_accessible_get_role(accessible, error.out());
    // A page that has gone, or was left, answers no more; one that did not answer in time may
    // still show a selection.
    if (error.failed())
        return m_time.expired() ? std::nullopt : std::optional(false);
    if (role != ATSPI_ROLE_DOCUMENT_WEB)
        return false;
    // What libatspi keeps of the states does not follow the showing state: asked afresh, a page
    // in another tab is not on show.
    atspi_accessible_clear_cache(accessible);
    if (!m_time.arm())
        return std::nullopt;
    // A page that stopped answering says that it is defunct.
    const AtspiRef<AtspiStateSet> states(atspi_accessible_get_state_set(accessible));
    if (!states || m_time.expired())
        return std::nullopt;
    return !atspi_state_set_contains(states.get(), ATSPI_STATE_DEFUNCT) &&
           (atspi_state_set_contains(states.get(), ATSPI_STATE_SHOWING) ||
            atspi_state_set_contains(states.get(), ATSPI_STATE_VISIBLE));
}

} // namespace Capture
