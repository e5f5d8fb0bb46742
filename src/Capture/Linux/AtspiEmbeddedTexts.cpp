#include "Capture/Linux/AtspiEmbeddedTexts.h"

#include "Capture/Linux/AtspiTextCalls.h"

namespace Capture {

AtspiEmbeddedTexts::AtspiEmbeddedTexts(AtspiRef<AtspiAccessible> text, const AtspiTimeBudget& time)
    : m_time(time) {
    m_nodes.push_back(std::move(text));
}

AtspiAccessible* AtspiEmbeddedTexts::at(Node node) const {
    return node >= 0 && size_t(node) < m_nodes.size() ? m_nodes[size_t(node)].get() : nullptr;
}

AtspiText* AtspiEmbeddedTexts::textAt(Node node) const {
    // Every accessible offers the text functions; one without a text fails them.
    AtspiAccessible* accessible = at(node);
    return accessible ? ATSPI_TEXT(accessible) : nullptr;
}

std::optional<QList<Hypertext::Node>> AtspiEmbeddedTexts::embedded(Node parent, qint32 offset,
                                                                   qint32 count) {
    AtspiAccessible* accessible = at(parent);
    if (!accessible || !m_time.arm())
        return std::nullopt;
    AtspiErrorSink error;
    const gint first =
        atspi_hypertext_get_link_index(ATSPI_HYPERTEXT(accessible), offset, error.out());
    if (error.failed() || first < 0)
        return std::nullopt;
    QList<Node> nodes;
    for (qint32 i = 0; i < count; ++i) {
        AtspiRef<AtspiAccessible> object = linked(accessible, first + i);
        if (!object)
            return std::nullopt;
        nodes.append(Node(m_nodes.size()));
        m_nodes.push_back(std::move(object));
    }
    return nodes;
}

AtspiRef<AtspiAccessible> AtspiEmbeddedTexts::linked(AtspiAccessible* parent, gint index) {
    if (!m_time.arm())
        return AtspiRef<AtspiAccessible>();
    AtspiErrorSink error;
    const AtspiRef<AtspiHyperlink> link(
        atspi_hypertext_get_link(ATSPI_HYPERTEXT(parent), index, error.out()));
    if (error.failed() || !link || !m_time.arm())
        return AtspiRef<AtspiAccessible>();
    AtspiRef<AtspiAccessible> object(atspi_hyperlink_get_object(link.get(), 0, error.out()));
    return error.failed() ? AtspiRef<AtspiAccessible>() : object;
}

std::optional<qint32> AtspiEmbeddedTexts::length(Node node) {
    return AtspiTextCalls::number(textAt(node), atspi_text_get_character_count, m_time);
}

std::optional<TextRange> AtspiEmbeddedTexts::selection(Node node) {
    return AtspiTextCalls::selection(textAt(node), m_time);
}

std::optional<QString> AtspiEmbeddedTexts::text(Node node, TextRange range) {
    return AtspiTextCalls::text(textAt(node), range, m_time);
}

Hypertext::Layout AtspiEmbeddedTexts::layout(Node node) {
    AtspiAccessible* accessible = at(node);
    if (!accessible)
        return Layout::inlined;
    if (const auto byDisplay = layoutByDisplay(accessible))
        return *byDisplay;
    return layoutByRole(accessible);
}

// As the browser lays the element out: inline boxes within the line, table cells beside each
// other, paragraphs apart, any other box on lines of its own.
std::optional<Hypertext::Layout> AtspiEmbeddedTexts::layoutByDisplay(AtspiAccessible* accessible) {
    if (!m_time.arm())
        return std::nullopt;
    AtspiErrorSink error;
    GHashTable* attributes = atspi_accessible_get_attributes(accessible, error.out());
    if (!attributes)
        return std::nullopt;
    const auto* display = static_cast<const char*>(g_hash_table_lookup(attributes, "display"));
    const auto* tag = static_cast<const char*>(g_hash_table_lookup(attributes, "tag"));
    std::optional<Layout> layout;
    if (display && !error.failed()) {
        const QLatin1StringView shown(display);
        if (shown.startsWith(QLatin1StringView("inline")))
            layout = Layout::inlined;
        else if (shown == QLatin1StringView("table-cell"))
            layout = Layout::cell;
        else if (tag && qstrcmp(tag, "p") == 0)
            layout = Layout::paragraph;
        else
            layout = Layout::line;
    }
    g_hash_table_unref(attributes);
    return layout;
}

Hypertext::Layout AtspiEmbeddedTexts::layoutByRole(AtspiAccessible* accessible) {
    if (!m_time.arm())
        return Layout::inlined;
    AtspiErrorSink error;
    switch (atspi_accessible_get_role(accessible, error.out())) {
    case ATSPI_ROLE_PARAGRAPH:
        return Layout::paragraph;
    case ATSPI_ROLE_TABLE_CELL:
        return Layout::cell;
    case ATSPI_ROLE_HEADING:
    case ATSPI_ROLE_SECTION:
    case ATSPI_ROLE_LIST:
    case ATSPI_ROLE_LIST_ITEM:
    case ATSPI_ROLE_TABLE:
    case ATSPI_ROLE_TABLE_ROW:
    case ATSPI_ROLE_BLOCK_QUOTE:
    case ATSPI_ROLE_ARTICLE:
    case ATSPI_ROLE_FORM:
        return Layout::line;
    default:
        return Layout::inlined;
    }
}

bool AtspiEmbeddedTexts::expired() const {
    return m_time.expired();
}

} // namespace Capture
