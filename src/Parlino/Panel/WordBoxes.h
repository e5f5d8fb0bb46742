#pragma once

#include <QList>
#include <QRectF>

namespace Parlino {

// The chips of a transcript's words by word index, kept small for reads of hundreds of
// thousands of words. Chips come in reading order, their tops never decreasing; the words that
// share a top, a height and a baseline (a row) keep those once, and each word keeps only its
// left edge and width, in single precision (exact for positions in 64ths of a pixel).
class WordBoxes {
public:
    // Adds the chip of the next word, its baseline `baseline` below its top; its top is not above
    // the last chip's.
    void append(const QRectF& rect, qreal baseline = 0);
    // Keeps the first `size` chips.
    void truncate(qsizetype size);
    QRectF operator[](qsizetype word) const;
    qreal top(qsizetype word) const { return m_runs[runOf(word)].top; }
    qreal baseline(qsizetype word) const { return m_runs[runOf(word)].baseline; }
    qsizetype size() const { return m_spans.size(); }
    bool isEmpty() const { return m_spans.isEmpty(); }

    friend bool operator==(const WordBoxes&, const WordBoxes&) = default;

private:
    // The words from `firstWord` to the next run's share a top and a height.
    struct Run {
        qreal top = 0;
        qreal height = 0;
        qreal baseline = 0;
        qsizetype firstWord = 0;
        friend bool operator==(const Run&, const Run&) = default;
    };
    struct Span {
        float left = 0;
        float width = 0;
        friend bool operator==(const Span&, const Span&) = default;
    };

    qsizetype runOf(qsizetype word) const;

    QList<Run> m_runs;
    QList<Span> m_spans;
};

} // namespace Parlino
