#include "Parlino/Panel/FlowLayout.h"

#include "Base/Unicode.h"

#include <algorithm>

namespace Parlino {

bool FlowLayout::fits(const Item& item) const {
    const qreal gap = item.spaceBefore ? wordSpacing : 0;
    return m_open.items.isEmpty() || m_open.width + gap + item.line.width <= m_width;
}

void FlowLayout::add(const Item& item) {
    if (fits(item)) {
        append(item);
        return;
    }
    // The glued chips since the last place a row may end go to the next row with this one.
    qsizetype carried = m_open.items.size();
    if (!item.breakBefore) {
        while (carried > 0 && !m_open.items[carried - 1].breakBefore)
            --carried;
        carried = carried > 0 ? carried - 1 : m_open.items.size();
    }
    if (carried == 0)
        carried = m_open.items.size();
    const QList<Item> moved = m_open.items.mid(carried);
    m_open.items.resize(carried);
    m_open.lefts.resize(carried);
    m_open.width = carried == 0 ? 0 : m_open.lefts.last() + m_open.items.last().line.width;
    m_open.ascent = m_open.descent = 0;
    for (const Item& kept : std::as_const(m_open.items)) {
        m_open.ascent = std::max(m_open.ascent, kept.line.ascent);
        m_open.descent = std::max(m_open.descent, kept.line.descent);
    }
    closeRow();
    for (const Item& next : moved)
        append(next);
    if (!fits(item))
        closeRow();
    append(item);
}

void FlowLayout::addWord(const QString& shown, qsizetype word, const LineMetrics& whole,
                         bool spaceBefore, bool breakBefore, const QFont& font,
                         const TextMeasurer& measurer) {
    // Nearly every word fits a row: it is added without building a list of pieces. Rows without
    // width (a view not laid out yet) break nothing.
    if (whole.width <= m_width || m_width <= 0) {
        add({whole, spaceBefore, breakBefore, word, 0, -1});
        return;
    }
    for (const Item& piece :
         wordChips(shown, word, whole, spaceBefore, breakBefore, m_width, font, measurer))
        add(piece);
}

void FlowLayout::append(const Item& item) {
    const qreal left =
        m_open.items.isEmpty() ? 0 : m_open.width + (item.spaceBefore ? wordSpacing : 0);
    m_open.items.append(item);
    m_open.lefts.append(left);
    m_open.width = left + item.line.width;
    m_open.ascent = std::max(m_open.ascent, item.line.ascent);
    m_open.descent = std::max(m_open.descent, item.line.descent);
}

void FlowLayout::closeRow() {
    if (m_open.items.isEmpty())
        return;
    const qreal nextTop = m_open.top + m_open.height() + lineSpacing;
    m_closed.append(std::exchange(m_open, {}));
    m_open.top = nextTop;
}

namespace {

// Where the piece of `text` from `from` ends: the longest that fits `width`, cut where a line
// may end, else between clusters.
qsizetype pieceEnd(const QString& text, qsizetype from, qreal width, const QFont& font,
                   const TextMeasurer& measurer, const Base::Unicode::LineBreaks& breaks,
                   const Base::Unicode::GraphemeBoundaries& clusters) {
    qsizetype fitting = from; // the widths grow with the length
    qsizetype beyond = text.size();
    while (beyond - fitting > 1) {
        const qsizetype middle = fitting + (beyond - fitting) / 2;
        if (measurer.lineMetrics(text.mid(from, middle - from), font).width <= width)
            fitting = middle;
        else
            beyond = middle;
    }
    if (const auto lineEnd = breaks.lastBreakIn(from, fitting))
        return *lineEnd;
    const qsizetype cluster = clusters.atOrBefore(fitting);
    return cluster > from ? cluster : clusters.after(from);
}

} // namespace

QList<FlowLayout::Item> wordChips(const QString& shown, qsizetype word, const LineMetrics& whole,
                                  bool spaceBefore, bool breakBefore, qreal rowWidth,
                                  const QFont& font, const TextMeasurer& measurer) {
    if (whole.width <= rowWidth || shown.size() < 2)
        return {{whole, spaceBefore, breakBefore, word, 0, -1}};
    QList<FlowLayout::Item> pieces;
    const Base::Unicode::LineBreaks breaks(shown);
    const Base::Unicode::GraphemeBoundaries clusters(shown);
    qsizetype from = 0;
    while (from < shown.size()) {
        const LineMetrics rest = measurer.lineMetrics(shown.mid(from), font);
        const qsizetype end = rest.width <= rowWidth ? shown.size()
                                                     : pieceEnd(shown, from, rowWidth, font,
                                                                measurer, breaks, clusters);
        const LineMetrics line =
            end == shown.size() ? rest : measurer.lineMetrics(shown.mid(from, end - from), font);
        const bool first = pieces.isEmpty();
        pieces.append(
            {line, first && spaceBefore, first ? breakBefore : true, word, from, end - from});
        from = end;
    }
    return pieces;
}

} // namespace Parlino
