#pragma once

#include "Parlino/Panel/TextMeasurer.h"

#include <QList>
#include <QString>

namespace Parlino {

// Breaks a sequence of chips into rows within a width, in reading order. Chips with white space
// between them in the text stand a word gap apart, chips glued in the text touch. A row ends
// before a chip that would pass the width, at the last place before it where a line may end:
// the glued chips after that place go on to the next row with it. Where no such place is left on
// the row, the row ends before the chip anyway. The chips of a row share its baseline; a row is
// as tall as its tallest ascent and descent. The flow keeps its open row, so chips can be added
// at any later time; closed rows are handed out once.
class FlowLayout {
public:
    static constexpr qreal wordSpacing = 4;
    static constexpr qreal lineSpacing = 5;

    struct Item {
        LineMetrics line;
        bool spaceBefore = true; // white space stands between it and the chip before
        bool breakBefore = true; // a row may end before it
        // What it shows: the word, or a piece of its shown text from `from` (none for a word
        // shown whole).
        qsizetype word = 0;
        qsizetype from = 0;
        QString piece = {};
    };

    struct Row {
        qreal top = 0; // from the flow's top
        qreal ascent = 0;
        qreal descent = 0;
        qreal width = 0;
        QList<Item> items;
        QList<qreal> lefts; // of the items, from the row's start

        qreal height() const { return ascent + descent; }
    };

    FlowLayout() = default;
    explicit FlowLayout(qreal width) : m_width(width) {}

    void add(const Item& item);
    // Adds the chips of a word (see `wordChips`); in rows without width, the word whole.
    void addWord(const QString& shown, qsizetype word, const LineMetrics& whole, bool spaceBefore,
                 bool breakBefore, const QFont& font, const TextMeasurer& measurer);
    // The rows closed since the last call, in order.
    QList<Row> takeClosedRows() { return std::exchange(m_closed, {}); }
    // The row being filled; without items before the first chip.
    const Row& openRow() const { return m_open; }
    // The height of the rows so far; 0 before the first chip.
    qreal height() const { return m_open.items.isEmpty() ? 0 : m_open.top + m_open.height(); }
    qreal width() const { return m_width; }

private:
    bool fits(const Item& item) const;
    void append(const Item& item);
    void closeRow();

    qreal m_width = 0;
    Row m_open;
    QList<Row> m_closed;
};

// The chips that show a word: the word whole, or, when it is wider than `rowWidth`, pieces of it
// no wider than that, cut at the last place within reach where a line may end, else between
// character clusters (at least one cluster a piece). The first chip takes `spaceBefore` and
// `breakBefore`; the pieces after it are glued to it and start rows.
QList<FlowLayout::Item> wordChips(const QString& shown, qsizetype word, const LineMetrics& whole,
                                  bool spaceBefore, bool breakBefore, qreal rowWidth,
                                  const QFont& font, const TextMeasurer& measurer);

} // namespace Parlino
