#include "Capture/Linux/AtspiWebPage.h"

#include "Capture/Linux/AtspiTextCalls.h"

#include <algorithm>

namespace Capture {

AtspiWebPage::AtspiWebPage(AtspiRef<AtspiAccessible> focused,
                           std::vector<AtspiRef<AtspiAccessible>> focusedLately,
                           const AtspiTimeBudget& time)
    : m_time(time), m_focusedLately(std::move(focusedLately)) {
    m_nodes.push_back({std::move(focused)});
}

AtspiWebPage::Accessible* AtspiWebPage::at(Node node) {
    return node >= 0 && size_t(node) < m_nodes.size() ? &m_nodes[size_t(node)] : nullptr;
}

WebPage::Node AtspiWebPage::nodeOf(AtspiRef<AtspiAccessible> accessible) {
    // libatspi keeps one object for each accessible of an application.
    const auto known = std::ranges::find_if(
        m_nodes, [&](const Accessible& node) { return node.accessible.get() == accessible.get(); });
    if (known != m_nodes.end())
        return Node(known - m_nodes.begin());
    m_nodes.push_back({std::move(accessible)});
    return Node(m_nodes.size() - 1);
}

std::optional<WebPage::Role> AtspiWebPage::role(Node node) {
    const Accessible* accessible = at(node);
    if (!accessible || !m_time.arm())
        return std::nullopt;
    AtspiErrorSink error;
    const AtspiRole role = atspi_accessible_get_role(accessible->accessible.get(), error.out());
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
    const Accessible* accessible = at(node);
    if (!accessible || !m_time.arm())
        return std::nullopt;
    AtspiErrorSink error;
    AtspiRef<AtspiAccessible> parent(
        atspi_accessible_get_parent(accessible->accessible.get(), error.out()));
    if (error.failed())
        return std::nullopt;
    if (!parent)
        return none;
    return nodeOf(std::move(parent));
}

std::optional<qint32> AtspiWebPage::selectionCount(Node node) {
    const Accessible* accessible = at(node);
    return AtspiTextCalls::number(accessible ? ATSPI_TEXT(accessible->accessible.get()) : nullptr,
                                  atspi_text_get_n_selections, m_time);
}

std::optional<bool> AtspiWebPage::isShowing(Node node) {
    AtspiStateSet* states = statesNow(node);
    if (!states)
        return std::nullopt;
    return !atspi_state_set_contains(states, ATSPI_STATE_DEFUNCT) &&
           atspi_state_set_contains(states, ATSPI_STATE_SHOWING);
}

std::optional<QList<WebPage::Node>> AtspiWebPage::documentsFocusedLately() {
    QList<Node> documents;
    for (const AtspiRef<AtspiAccessible>& accessible : m_focusedLately) {
        if (accessible.get() == m_nodes.front().accessible.get())
            continue;
        const auto document = isDocument(accessible.get());
        if (!document)
            return std::nullopt;
        if (!*document)
            continue;
        const Node node = nodeOf(accessible);
        AtspiStateSet* states = statesNow(node);
        if (!states)
            return std::nullopt;
        if (!atspi_state_set_contains(states, ATSPI_STATE_DEFUNCT))
            documents.append(node);
    }
    return documents;
}

AtspiStateSet* AtspiWebPage::statesNow(Node node) {
    Accessible* accessible = at(node);
    if (!accessible)
        return nullptr;
    if (accessible->states)
        return accessible->states.get();
    // What libatspi keeps of the states does not follow the showing state, nor what it keeps of
    // the parent a page taken out of the tree: both are asked afresh, those of the focused
    // accessible already when it was found.
    if (node != 0)
        atspi_accessible_clear_cache(accessible->accessible.get());
    if (!m_time.arm())
        return nullptr;
    // A page that stopped answering says that it is defunct.
    AtspiRef<AtspiStateSet> states(atspi_accessible_get_state_set(accessible->accessible.get()));
    if (!states || m_time.expired())
        return nullptr;
    accessible->states = std::move(states);
    return accessible->states.get();
}

std::optional<bool> AtspiWebPage::isDocument(AtspiAccessible* accessible) {
    if (!m_time.arm())
        return std::nullopt;
    // What has no text, such as the window, is no page: libatspi keeps what an accessible
    // implements, so this needs no answer of a busy browser more than once.
    if (!AtspiRef<AtspiText>(atspi_accessible_get_text_iface(accessible)))
        return false;
    if (!m_time.arm())
        return std::nullopt;
    AtspiErrorSink error;
    const AtspiRole role = atspi_accessible_get_role(accessible, error.out());
    // A page that has gone, or was left, answers no more; one that did not answer in time may
    // still show a selection.
    if (error.failed())
        return m_time.expired() ? std::nullopt : std::optional(false);
    return role == ATSPI_ROLE_DOCUMENT_WEB;
}

} // namespace Capture
