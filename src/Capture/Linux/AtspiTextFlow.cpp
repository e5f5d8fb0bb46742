#include "Capture/Linux/AtspiTextFlow.h"

#include "Capture/EmbeddedObjects.h"
#include "Capture/Linux/AtspiEmbeddedTexts.h"
#include "Capture/Linux/AtspiTextCalls.h"

namespace Capture {

AtspiTextFlow::AtspiTextFlow(AtspiRef<AtspiText> focusedText, const AtspiTimeBudget& time)
    : m_time(time) {
    m_nodes[0].text = std::move(focusedText);
}

bool AtspiTextFlow::exists(int step) {
    if (m_nodes.contains(step))
        return true;
    const auto neighbour = m_nodes.find(step < 0 ? step + 1 : step - 1);
    if (step == 0 || neighbour == m_nodes.end())
        return false;
    Node& from = neighbour->second;
    if (!from.relationsRead)
        readRelations(from);
    const AtspiRef<AtspiAccessible>& next = step < 0 ? from.before : from.after;
    if (!next)
        return false;
    // Every accessible offers the text functions; one without a text fails them, and then has
    // no answers.
    m_nodes[step].text = AtspiRef<AtspiText>(ATSPI_TEXT(g_object_ref(next.get())));
    return true;
}

void AtspiTextFlow::readRelations(Node& node) {
    node.relationsRead = true;
    if (!m_time.arm())
        return;
    auto targets = relationTargets(ATSPI_ACCESSIBLE(node.text.get()));
    node.before = std::move(targets[ATSPI_RELATION_FLOWS_FROM]);
    node.after = std::move(targets[ATSPI_RELATION_FLOWS_TO]);
}

AtspiText* AtspiTextFlow::textAt(int step) const {
    const auto node = m_nodes.find(step);
    return node == m_nodes.end() ? nullptr : node->second.text.get();
}

std::optional<qint32> AtspiTextFlow::length(int step) {
    return AtspiTextCalls::number(textAt(step), atspi_text_get_character_count, m_time);
}

std::optional<TextRange> AtspiTextFlow::selection(int step) {
    return AtspiTextCalls::selection(textAt(step), m_time);
}

std::optional<qint32> AtspiTextFlow::caret(int step) {
    return AtspiTextCalls::number(textAt(step), atspi_text_get_caret_offset, m_time);
}

OfferedText AtspiTextFlow::text(int step, TextRange range) {
    auto text = AtspiTextCalls::text(textAt(step), range, m_time);
    if (!text || !EmbeddedObjects::contains(*text))
        return text;
    // A browser's document or section holds its paragraphs as embedded objects.
    m_expanded = true;
    AtspiEmbeddedTexts embedded(
        AtspiRef<AtspiAccessible>(ATSPI_ACCESSIBLE(g_object_ref(textAt(step)))), m_time);
    return EmbeddedObjects::expand(embedded, *text, range);
}

bool AtspiTextFlow::expired() const {
    return m_time.expired();
}

std::optional<QRectF> AtspiTextFlow::bounds(const FlowingSelection::Read& read) {
    auto first = extents(read.first);
    if (read.last.step == read.first.step)
        return first;
    const auto last = extents(read.last);
    if (first && last)
        return first->united(*last);
    return first ? first : last;
}

std::optional<QRectF> AtspiTextFlow::extents(const FlowingSelection::Part& part) {
    AtspiText* text = textAt(part.step);
    if (!text || !m_time.arm())
        return std::nullopt;
    AtspiErrorSink error;
    AtspiRect* extents = atspi_text_get_range_extents(text, part.range.start, part.range.end,
                                                      ATSPI_COORD_TYPE_SCREEN, error.out());
    std::optional<QRectF> bounds;
    if (extents && !error.failed() && extents->width > 0 && extents->height > 0)
        bounds = QRectF(extents->x, extents->y, extents->width, extents->height);
    g_free(extents);
    return bounds;
}

} // namespace Capture
