#pragma once

#include "Parlino/Panel/Transcript.h"
#include "Parlino/Services/TranscriptCaseChoice.h"

#include <QFont>
#include <QList>
#include <QRectF>
#include <QStringList>

#include <optional>

namespace Parlino {

class TextMeasurer;

// Where every word chip of a timed transcript stands, in the coordinates of the scrolled
// content: paragraphs stacked 8 apart inside 16/4 padding, the chips of each flowed in rows.
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
    };

    QList<ParagraphBox> paragraphs;
    QList<QRectF> wordRects; // by global word index
    QStringList wordTexts;   // as shown, in the transcript's letter case
    qreal width = 0;
    qreal height = 0;
};

// Lays the groups out at `width`, measuring each distinct displayed word once.
TranscriptLayout layOutTranscript(const QList<ParagraphWordGroup>& groups,
                                  TranscriptCaseChoice caseChoice, const QFont& font,
                                  const TextMeasurer& measurer, qreal width);

// Lays out the words that `groups` hold beyond those of `layout`, which was made from the same
// text at the same width, in the same font and case, with the first of these words: only the
// paragraph that held its last word and those after it are laid out again.
void appendToTranscriptLayout(TranscriptLayout& layout, const QList<ParagraphWordGroup>& groups,
                              TranscriptCaseChoice caseChoice, const QFont& font,
                              const TextMeasurer& measurer);

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

} // namespace Parlino
