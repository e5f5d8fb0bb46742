#include "Parlino/Panel/PlainTranscriptLayout.h"

#include "Parlino/Panel/TranscriptLayout.h"

#include <algorithm>

namespace Parlino {

namespace {

bool endsSentence(QChar c) {
    return c == u'.' || c == u'!' || c == u'?' || c == u'…';
}

} // namespace

qsizetype PlainTranscriptLayout::blockEnd(const QString& paragraph, qsizetype from,
                                          qsizetype maxLength) {
    return blockEnd(paragraph, Base::Unicode::GraphemeBoundaries(paragraph), from, maxLength);
}

qsizetype PlainTranscriptLayout::blockEnd(const QString& paragraph,
                                          const Base::Unicode::GraphemeBoundaries& clusters,
                                          qsizetype from, qsizetype maxLength) {
    const qsizetype limit = from + maxLength;
    if (limit >= paragraph.size())
        return paragraph.size();
    // A block ends after white space, preferably white space that follows a sentence, and only
    // in the second half of the allowance so that blocks stay long. Only a mark after the white
    // space can join it to what follows.
    qsizetype space = -1;
    for (qsizetype end = limit; end > from + maxLength / 2; --end) {
        if (!paragraph[end - 1].isSpace() || !clusters.isBoundary(end))
            continue;
        if (end >= 2 && endsSentence(paragraph[end - 2]))
            return end;
        if (space < 0)
            space = end;
    }
    if (space >= 0)
        return space;
    // Else the last boundary between character clusters, or the end of one longer cluster.
    const qsizetype before = clusters.atOrBefore(limit);
    return before > from ? before : clusters.after(from);
}

void PlainTranscriptLayout::reset(const QList<Paragraph>& paragraphs,
                                  TranscriptCaseChoice caseChoice,
                                  const std::function<qreal(const QString&)>& estimate) {
    m_blocks.clear();
    for (const Paragraph& paragraph : paragraphs) {
        // The case applies to the whole paragraph: a block may start inside a word.
        const QString shown = TranscriptCaseChoices::apply(caseChoice, paragraph.text);
        const Base::Unicode::GraphemeBoundaries clusters(shown);
        qsizetype from = 0;
        do {
            const qsizetype end = blockEnd(shown, clusters, from, maxBlockLength);
            m_blocks.append({paragraph.id, shown.mid(from, end - from), 0, 0, false});
            from = end;
        } while (from < shown.size());
    }
    qreal y = TranscriptLayout::verticalPadding;
    for (qsizetype b = 0; b < m_blocks.size(); ++b) {
        Block& block = m_blocks[b];
        y += spacingBefore(b);
        block.top = y;
        block.height = block.text.isEmpty() ? 0 : estimate(block.text);
        block.measured = block.text.isEmpty();
        y += block.height;
    }
}

QList<qsizetype>
PlainTranscriptLayout::measureBand(qreal top, qreal bottom,
                                   const std::function<qreal(qsizetype)>& measure) {
    QList<qsizetype> band;
    const auto first =
        std::partition_point(m_blocks.cbegin(), m_blocks.cend(),
                             [top](const Block& block) { return block.top + block.height < top; });
    qreal shift = 0;
    qsizetype b = first - m_blocks.cbegin();
    for (; b < m_blocks.size() && m_blocks[b].top + shift <= bottom; ++b) {
        Block& block = m_blocks[b];
        block.top += shift;
        if (!block.measured) {
            const qreal height = measure(b);
            shift += height - block.height;
            block.height = height;
            block.measured = true;
        }
        band.append(b);
    }
    if (shift != 0)
        for (; b < m_blocks.size(); ++b)
            m_blocks[b].top += shift;
    return band;
}

qreal PlainTranscriptLayout::height() const {
    const qreal contentBottom =
        m_blocks.isEmpty() ? 0 : m_blocks.last().top + m_blocks.last().height;
    return contentBottom + TranscriptLayout::verticalPadding;
}

qreal PlainTranscriptLayout::spacingBefore(qsizetype block) const {
    const bool startsParagraph =
        block > 0 && m_blocks[block].paragraph != m_blocks[block - 1].paragraph;
    return startsParagraph ? TranscriptLayout::paragraphSpacing : 0;
}

} // namespace Parlino
