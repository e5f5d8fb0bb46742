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
        add({whole, spaceBefore, breakBefore, word, 0, {}});
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

// Cuts a word into pieces that fit a row, measuring only pieces, never the rest of the word:
// the cost grows with the word's length, not with its square.
class WordCutter {
public:
    WordCutter(const QString& text, const LineMetrics& whole, qreal width, const QFont& font,
               const TextMeasurer& measurer)
        : m_text(text), m_width(width), m_font(font), m_measurer(measurer), m_breaks(text),
          m_clusters(text), m_guess(firstGuess(text.size(), width, whole.width)) {}

    // The piece from `from`: the longest that fits the width, cut where a line may end, else
    // between clusters, and one cluster at least.
    FlowLayout::Item piece(qsizetype from) {
        const auto [fitting, fittingLine] = longestFit(from);
        qsizetype end = fitting;
        if (fitting < m_text.size()) {
            if (const auto lineEnd = m_breaks.lastBreakIn(from, fitting))
                end = *lineEnd;
            else if (const qsizetype cluster = m_clusters.atOrBefore(fitting); cluster > from)
                end = cluster;
            else
                end = m_clusters.after(from);
        }
        m_guess = end - from;
        QString text = m_text.mid(from, end - from);
        const LineMetrics line =
            end == fitting ? fittingLine : m_measurer.lineMetrics(text, m_font);
        return {line, false, true, 0, from, std::move(text)};
    }

private:
    // Pieces of a word of even letters are as long as the row holds of its average letter.
    static qsizetype firstGuess(qsizetype length, qreal width, qreal wholeWidth) {
        const qreal guess = length * width / wholeWidth;
        return guess >= 1 ? qsizetype(std::min<qreal>(guess, length)) : 1;
    }

    LineMetrics measure(qsizetype from, qsizetype end) const {
        return m_measurer.lineMetrics(m_text.mid(from, end - from), m_font);
    }

    // The longest run of code units from `from` that fits the width, with its measure; empty
    // when not even one fits. The search starts at the last piece's length and gallops from
    // there, as pieces of one word are alike, then halves the gap it found: each probe measures
    // a piece not much longer than the one it finds.
    std::pair<qsizetype, LineMetrics> longestFit(qsizetype from) const {
        qsizetype fitting = from;
        LineMetrics fittingLine;
        qsizetype beyond = m_text.size() + 1; // the first end known not to fit
        const auto probe = [&](qsizetype end) {
            const LineMetrics line = measure(from, end);
            const bool fits = line.width <= m_width;
            if (fits) {
                fitting = end;
                fittingLine = line;
            } else {
                beyond = end;
            }
            return fits;
        };
        const qsizetype guess = std::min(from + m_guess, m_text.size());
        if (probe(guess)) {
            for (qsizetype step = 1;
                 fitting < m_text.size() && probe(std::min(fitting + step, m_text.size()));)
                step *= 2;
        } else {
            for (qsizetype step = 1; beyond - step > from && !probe(beyond - step);)
                step *= 2;
        }
        while (beyond - fitting > 1 && fitting < m_text.size())
            probe(fitting + (beyond - fitting) / 2);
        return {fitting, fittingLine};
    }

    const QString& m_text;
    qreal m_width;
    const QFont& m_font;
    const TextMeasurer& m_measurer;
    const Base::Unicode::LineBreaks m_breaks;
    const Base::Unicode::GraphemeBoundaries m_clusters;
    qsizetype m_guess;
};

} // namespace

QList<FlowLayout::Item> wordChips(const QString& shown, qsizetype word, const LineMetrics& whole,
                                  bool spaceBefore, bool breakBefore, qreal rowWidth,
                                  const QFont& font, const TextMeasurer& measurer) {
    if (whole.width <= rowWidth || shown.size() < 2)
        return {{whole, spaceBefore, breakBefore, word, 0, {}}};
    QList<FlowLayout::Item> pieces;
    WordCutter cutter(shown, whole, rowWidth, font, measurer);
    for (qsizetype from = 0; from < shown.size(); from += pieces.last().piece.size()) {
        pieces.append(cutter.piece(from));
        pieces.last().word = word;
    }
    pieces.first().spaceBefore = spaceBefore;
    pieces.first().breakBefore = breakBefore;
    return pieces;
}

} // namespace Parlino
