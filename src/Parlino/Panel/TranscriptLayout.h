#pragma once

#include "Core/TimedWords.h"
#include "Parlino/Panel/FlowLayout.h"
#include "Parlino/Panel/Transcript.h"
#include "Parlino/Panel/WordBoxes.h"
#include "Parlino/Services/TranscriptCaseChoice.h"

#include <QFont>
#include <QHash>
#include <QList>
#include <QRectF>

#include <optional>

namespace Parlino {

class TextMeasurer;

// Where every word chip of a timed transcript stands, in the coordinates of the scrolled
// content: paragraphs stacked 8 apart inside 16/4 padding, the chips of each flowed in rows. A
// paragraph reads in the direction of its first strong character: the chips of each row stand in
// the order the bidirectional algorithm gives them, and a right-to-left paragraph's rows start at
// the right edge. A word wider than a row is shown in pieces over several rows.
struct TranscriptLayout {
    static constexpr qreal horizontalPadding = 16;
    static constexpr qreal verticalPadding = 4;
    static constexpr qreal paragraphSpacing = 8;

    struct ParagraphBox {
        QRectF rect;
        // The paragraph holds the words [firstWord, firstWord + wordCount); an empty paragraph
        // starts where the next one does.
        qsizetype firstWord = 0;
        qsizetype wordCount = 0;
        bool rightToLeft = false;
    };

    // One piece of a word broken over rows: where it stands and what of the shown word it shows.
    struct Piece {
        qsizetype word = 0;
        QRectF rect;
        qreal baseline = 0; // from the rect's top
        QString text;       // as shown
    };

    QList<ParagraphBox> paragraphs;
    // By global word index, their tops never decreasing; a broken word's chip is its first piece.
    WordBoxes wordRects;
    QList<Piece> pieces;            // of the broken words, in order
    QList<qsizetype> contraryWords; // set against their paragraph's direction, in order
    qreal width = 0;
    qreal height = 0;

    // Where more words go on: the paragraph holding the last word (the first before any word)
    // with its open row, and the sizes of the shown words measured lately.
    qsizetype openParagraph = 0;
    FlowLayout openFlow;
    bool openParagraphNeedsOrdering = false;
    qint64 lastWordEnd = -1; // in the open paragraph, none before its first word
    qsizetype laidWords = 0;
    // The chips of the closed rows; those after them, of the open row, stand there for now.
    qsizetype closedWords = 0;
    qsizetype closedPieces = 0;
    qsizetype closedContrary = 0;
    QHash<QString, LineMetrics> measuredWords;
};

// Lays the paragraphs out at `width` with the words, which are given in text order, measuring
// each distinct displayed word once. Words are assigned to paragraphs as
// `Transcript::paragraphOfWord` says; a paragraph without words has no height.
TranscriptLayout layOutTranscript(const QList<Paragraph>& paragraphs, const Core::TimedWords& words,
                                  TranscriptCaseChoice caseChoice, const QFont& font,
                                  const TextMeasurer& measurer, qreal width);

// Lays out the words beyond those `layout` holds, where `layout` was made from the same
// paragraphs, font and case with the words before them. It costs what the new words cost, plus
// moving down the paragraphs that no word has reached yet.
void appendToTranscriptLayout(TranscriptLayout& layout, const QList<Paragraph>& paragraphs,
                              const Core::TimedWords& words, TranscriptCaseChoice caseChoice,
                              const QFont& font, const TextMeasurer& measurer);

// The words [first, end) whose rows reach into the band from `top` to `bottom`, and perhaps a
// few beside them on the row just above.
struct WordSpan {
    qsizetype first = 0;
    qsizetype end = 0;
};
WordSpan wordsMeeting(const TranscriptLayout& layout, qreal top, qreal bottom);

// The pieces of a word broken over rows, in order; none for a word shown whole.
QList<TranscriptLayout::Piece> piecesOf(const TranscriptLayout& layout, qsizetype word);

// Whether a word's text is set right to left.
bool setsRightToLeft(const TranscriptLayout& layout, qsizetype word);

// The word whose chip contains `point`; none between chips.
std::optional<qsizetype> wordAt(const TranscriptLayout& layout, QPointF point);

// The paragraph holding a word; none for an index outside the words.
std::optional<qsizetype> paragraphHoldingWord(const TranscriptLayout& layout, qsizetype word);

// What to repaint when the words of `range` change tier: per paragraph, the bounding box of
// its changed chips.
QList<QRectF> changedRects(const TranscriptLayout& layout, WordRange range);

// The scroll offset that brings the paragraph's centre to the middle of a viewport of
// `viewportHeight`, kept within the content.
qreal centredScrollOffset(const TranscriptLayout& layout, qsizetype paragraph,
                          qreal viewportHeight);

// The height to scroll through in a viewport of `viewportHeight`: the layout's, and below a
// layout taller than the viewport room for one more row, so that the rows above the last ones
// can still be shown whole.
qreal scrollableHeight(const TranscriptLayout& layout, qreal viewportHeight);

// The scroll offset, within the scrollable height, that keeps a read's current word in view:
// its paragraph centred when the paragraph fits the viewport, otherwise the word's row centred
// with the row at the top edge shown whole, never half under whatever lies above the viewport.
qreal followScrollOffset(const TranscriptLayout& layout, qsizetype word, qreal viewportHeight);

} // namespace Parlino
