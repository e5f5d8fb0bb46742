#include "Capture/Linux/AtspiWebPage.h"

#include "Capture/Linux/AtspiTextCalls.h"

namespace Capture {

AtspiWebPage::AtspiWebPage(AtspiRef<AtspiAccessible> focused, const AtspiTimeBudget& time)
    : m_time(time) {
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

} // namespace Capture
