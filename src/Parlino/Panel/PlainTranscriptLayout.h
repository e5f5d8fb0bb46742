#pragma once

#include "Base/Unicode.h"
#include "Parlino/Panel/Transcript.h"
#include "Parlino/Services/TranscriptCaseChoice.h"

#include <QList>
#include <QString>

#include <functional>

namespace Parlino {

// The transcript while no timings exist: its paragraphs as plain text, stacked like the word
// chips. A long paragraph is cut into blocks of bounded length, so that only the blocks near the
// visible area are ever measured exactly; the others stand at an estimated height. Any length of
// text thus lays out in time proportional to what is shown.
class PlainTranscriptLayout {
public:
    static constexpr qsizetype maxBlockLength = 2000;

    struct Block {
        qsizetype paragraph = 0;
        QString text; // as shown, in the transcript's letter case
        qreal top = 0;
        qreal height = 0;
        bool measured = false;
    };

    // Where a block ends within its paragraph: after the last sentence end or white space
    // within `maxLength` code units of `from`, else at the last boundary between character
    // clusters within them (never inside a letter with its marks, a surrogate pair or an emoji
    // sequence), and at the paragraph's end when it is that near. `from` is such a boundary.
    static qsizetype blockEnd(const QString& paragraph, qsizetype from, qsizetype maxLength);
    // The same with the paragraph's clusters found already.
    static qsizetype blockEnd(const QString& paragraph,
                              const Base::Unicode::GraphemeBoundaries& clusters, qsizetype from,
                              qsizetype maxLength);

    // Cuts the paragraphs, shown in the letter case, into blocks and stacks them, each at the
    // height `estimate` gives for its text. An empty paragraph is one empty block of height 0.
    void reset(const QList<Paragraph>& paragraphs, TranscriptCaseChoice caseChoice,
               const std::function<qreal(const QString&)>& estimate);

    // Measures every unmeasured block that reaches into [top, bottom] with `measure` (given the
    // block's index), moving the blocks after it by the difference. Returns the indices of the
    // blocks in the band.
    QList<qsizetype> measureBand(qreal top, qreal bottom,
                                 const std::function<qreal(qsizetype)>& measure);

    const QList<Block>& blocks() const { return m_blocks; }
    qreal height() const;

private:
    qreal spacingBefore(qsizetype block) const;

    QList<Block> m_blocks;
};

} // namespace Parlino
