#include "Capture/Linux/AtspiEmbeddedTexts.h"

#include "Capture/Linux/AtspiTextCalls.h"

#include <algorithm>

namespace Capture {

namespace {

using Attributes = QHash<QByteArray, QByteArray>;

// The attributes of a set that libatspi gave, which is then freed; none when the call failed.
Attributes takeAttributes(GHashTable* table, const AtspiErrorSink& error) {
    Attributes attributes;
    if (!table)
        return attributes;
    GHashTableIter entries;
    g_hash_table_iter_init(&entries, table);
    gpointer name = nullptr;
    gpointer value = nullptr;
    while (!error.failed() && g_hash_table_iter_next(&entries, &name, &value))
        attributes.insert(static_cast<const char*>(name), static_cast<const char*>(value));
    g_hash_table_unref(table);
    return attributes;
}

} // namespace

bool isAtomicControl(AtspiRole role) {
    switch (role) {
    case ATSPI_ROLE_PUSH_BUTTON:
    case ATSPI_ROLE_TOGGLE_BUTTON:
    case ATSPI_ROLE_CHECK_BOX:
    case ATSPI_ROLE_RADIO_BUTTON:
    case ATSPI_ROLE_IMAGE:
        return true;
    default:
        return false;
    }
}

AtspiEmbeddedTexts::AtspiEmbeddedTexts(AtspiRef<AtspiAccessible> text, const AtspiTimeBudget& time)
    : m_time(time) {
    m_nodes.push_back({std::move(text)});
}

AtspiAccessible* AtspiEmbeddedTexts::at(Node node) const {
    return node >= 0 && size_t(node) < m_nodes.size() ? m_nodes[size_t(node)].accessible.get()
                                                      : nullptr;
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
        m_nodes.push_back({std::move(object)});
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
    bool& listItem = m_nodes[size_t(node)].listItem;
    if (const auto byDisplay = layoutByDisplay(accessible, listItem))
        return *byDisplay;
    return layoutByRole(accessible, listItem);
}

// As the browser lays the element out: inline boxes within the line, table cells beside each
// other, paragraphs apart, any other box on lines of its own.
std::optional<Hypertext::Layout> AtspiEmbeddedTexts::layoutByDisplay(AtspiAccessible* accessible,
                                                                     bool& listItem) {
    const Attributes attributes = objectAttributes(accessible);
    const QByteArray display = attributes.value("display");
    if (display.isEmpty())
        return std::nullopt;
    listItem = display == "list-item";
    if (display.startsWith("inline"))
        return Layout::inlined;
    if (display == "table-cell")
        return Layout::cell;
    if (attributes.value("tag") == "p")
        return Layout::paragraph;
    return Layout::line;
}

Hypertext::Layout AtspiEmbeddedTexts::layoutByRole(AtspiAccessible* accessible, bool& listItem) {
    if (!m_time.arm())
        return Layout::inlined;
    AtspiErrorSink error;
    const AtspiRole role = atspi_accessible_get_role(accessible, error.out());
    listItem = role == ATSPI_ROLE_LIST_ITEM;
    switch (role) {
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

qint32 AtspiEmbeddedTexts::generatedPrefix(Node node) {
    AtspiAccessible* accessible = at(node);
    if (!accessible || !m_nodes[size_t(node)].listItem)
        return 0;
    if (const qint32 generated = generatedTextAtStart(accessible))
        return generated;
    return markerChild(accessible);
}

bool AtspiEmbeddedTexts::isAtomic(Node node) {
    AtspiAccessible* accessible = at(node);
    if (!accessible || !m_time.arm())
        return false;
    AtspiErrorSink error;
    const AtspiRole role = atspi_accessible_get_role(accessible, error.out());
    return !error.failed() && isAtomicControl(role);
}

// Firefox marks the text it generated with an attribute of its own.
qint32 AtspiEmbeddedTexts::generatedTextAtStart(AtspiAccessible* accessible) {
    if (!m_time.arm())
        return 0;
    AtspiErrorSink error;
    gint start = 0;
    gint end = 0;
    const Attributes attributes = takeAttributes(
        atspi_text_get_attribute_run(ATSPI_TEXT(accessible), 0, FALSE, &start, &end, error.out()),
        error);
    return start == 0 && attributes.value("auto-generated") == "true" ? std::max(end, 0) : 0;
}

// Chromium shows the marker as the item's first child, an element named after it.
qint32 AtspiEmbeddedTexts::markerChild(AtspiAccessible* accessible) {
    if (!m_time.arm())
        return 0;
    AtspiErrorSink error;
    const AtspiRef<AtspiAccessible> first(
        atspi_accessible_get_child_at_index(accessible, 0, error.out()));
    if (!first || error.failed() || objectAttributes(first.get()).value("tag") != "::marker")
        return 0;
    return AtspiTextCalls::number(ATSPI_TEXT(first.get()), atspi_text_get_character_count, m_time)
        .value_or(0);
}

QHash<QByteArray, QByteArray> AtspiEmbeddedTexts::objectAttributes(AtspiAccessible* accessible) {
    if (!m_time.arm())
        return {};
    AtspiErrorSink error;
    return takeAttributes(atspi_accessible_get_attributes(accessible, error.out()), error);
}

} // namespace Capture
