#include "Parlino/Panel/TranscriptLayout.h"

#include "Parlino/Panel/TextMeasurer.h"

#include <algorithm>
#include <ranges>

namespace Parlino {

namespace {

// Opens paragraph `p` below the one before it for the words from `firstWord` on.
void openParagraph(TranscriptLayout& layout, qsizetype p, qsizetype firstWord) {
    TranscriptLayout::ParagraphBox& box = layout.paragraphs[p];
    const qreal top =
        p == 0 ? TranscriptLayout::verticalPadding
               : layout.paragraphs[p - 1].rect.bottom() + TranscriptLayout::paragraphSpacing;
    box.rect.moveTop(top);
    box.rect.setHeight(0);
    box.firstWord = firstWord;
    box.wordCount = 0;
    layout.openParagraph = p;
    layout.openFlow = FlowLayout(box.rect.topLeft(), box.rect.width());
}

// Common words come back every few lines; a long read's rarer ones would pile up for nothing.
constexpr qsizetype measuredWordsKept = 4096;

const QSizeF& measuredSize(TranscriptLayout& layout, const QString& shown, const QFont& font,
                           const TextMeasurer& measurer) {
    auto found = layout.measuredWords.constFind(shown);
    if (found == layout.measuredWords.cend()) {
        if (layout.measuredWords.size() >= measuredWordsKept)
            layout.measuredWords.clear();
        found = layout.measuredWords.insert(shown, measurer.lineSize(shown, font));
    }
    return *found;
}

} // namespace

TranscriptLayout layOutTranscript(const QList<Paragraph>& paragraphs, const Core::TimedWords& words,
                                  TranscriptCaseChoice caseChoice, const QFont& font,
                                  const TextMeasurer& measurer, qreal width) {
    TranscriptLayout layout;
    layout.width = width;
    const qreal contentWidth = std::max<qreal>(0, width - 2 * TranscriptLayout::horizontalPadding);
    layout.paragraphs.fill({QRectF(TranscriptLayout::horizontalPadding, 0, contentWidth, 0), 0, 0},
                           paragraphs.size());
    if (!layout.paragraphs.isEmpty())
        openParagraph(layout, 0, 0);
    appendToTranscriptLayout(layout, paragraphs, words, caseChoice, font, measurer);
    return layout;
}

void appendToTranscriptLayout(TranscriptLayout& layout, const QList<Paragraph>& paragraphs,
                              const Core::TimedWords& words, TranscriptCaseChoice caseChoice,
                              const QFont& font, const TextMeasurer& measurer) {
    if (layout.paragraphs.isEmpty())
        return;
    for (qsizetype w = layout.wordRects.size(); w < words.size(); ++w) {
        const Core::WordTiming word = words[w];
        const qsizetype p =
            Transcript::paragraphOfWord(paragraphs, layout.openParagraph, word.range.lower);
        if (p != layout.openParagraph) {
            layout.paragraphs[layout.openParagraph].rect.setHeight(layout.openFlow.height());
            for (qsizetype skipped = layout.openParagraph + 1; skipped <= p; ++skipped)
                openParagraph(layout, skipped, w);
        }
        const QString shown = TranscriptCaseChoices::apply(caseChoice, word.word);
        layout.wordRects.append(layout.openFlow.place(measuredSize(layout, shown, font, measurer)));
        ++layout.paragraphs[layout.openParagraph].wordCount;
    }
    // The paragraphs no word has reached yet follow the open one, empty.
    const qsizetype open = layout.openParagraph;
    layout.paragraphs[open].rect.setHeight(layout.openFlow.height());
    for (qsizetype p = open + 1; p < layout.paragraphs.size(); ++p) {
        TranscriptLayout::ParagraphBox& box = layout.paragraphs[p];
        box.rect.moveTop(layout.paragraphs[p - 1].rect.bottom() +
                         TranscriptLayout::paragraphSpacing);
        box.firstWord = layout.wordRects.size();
    }
    layout.height = layout.paragraphs.last().rect.bottom() + TranscriptLayout::verticalPadding;
}

WordSpan wordsMeeting(const TranscriptLayout& layout, qreal top, qreal bottom) {
    const WordBoxes& rects = layout.wordRects;
    const auto words = std::views::iota(qsizetype(0), rects.size());
    auto first = qsizetype(
        std::ranges::partition_point(words, [&](qsizetype w) { return rects.top(w) < top; }) -
        words.begin());
    // Only the row just above the band can reach into it: every earlier row ends above that
    // row's top.
    if (first > 0) {
        const qreal rowTop = rects.top(first - 1);
        while (first > 0 && rects.top(first - 1) == rowTop)
            --first;
    }
    const auto end = std::ranges::partition_point(
        words.begin() + first, words.end(), [&](qsizetype w) { return rects.top(w) <= bottom; });
    return {first, qsizetype(end - words.begin())};
}

std::optional<qsizetype> wordAt(const TranscriptLayout& layout, QPointF point) {
    const WordSpan near = wordsMeeting(layout, point.y(), point.y());
    for (qsizetype w = near.first; w < near.end; ++w)
        if (layout.wordRects[w].contains(point))
            return w;
    return std::nullopt;
}

std::optional<qsizetype> paragraphHoldingWord(const TranscriptLayout& layout, qsizetype word) {
    if (word < 0 || word >= layout.wordRects.size())
        return std::nullopt;
    const auto& boxes = layout.paragraphs;
    const auto after = std::upper_bound(
        boxes.begin(), boxes.end(), word,
        [](qsizetype w, const TranscriptLayout::ParagraphBox& box) { return w < box.firstWord; });
    return (after - boxes.begin()) - 1;
}

QList<QRectF> changedRects(const TranscriptLayout& layout, WordRange range) {
    QList<QRectF> rects;
    const qsizetype last = std::min(range.last, layout.wordRects.size() - 1);
    const auto first = paragraphHoldingWord(layout, std::max<qsizetype>(0, range.first));
    if (!first)
        return rects;
    for (qsizetype p = *first; p < layout.paragraphs.size(); ++p) {
        const TranscriptLayout::ParagraphBox& box = layout.paragraphs[p];
        if (box.firstWord > last)
            break;
        const qsizetype from = std::max(box.firstWord, range.first);
        const qsizetype to = std::min(box.firstWord + box.wordCount - 1, last);
        QRectF united;
        for (qsizetype w = from; w <= to; ++w)
            united = united.united(layout.wordRects[w]);
        if (!united.isEmpty())
            rects.append(united);
    }
    return rects;
}

qreal centredScrollOffset(const TranscriptLayout& layout, qsizetype paragraph,
                          qreal viewportHeight) {
    if (paragraph < 0 || paragraph >= layout.paragraphs.size())
        return 0;
    const qreal wanted = layout.paragraphs[paragraph].rect.center().y() - viewportHeight / 2;
    return std::clamp<qreal>(wanted, 0, std::max<qreal>(0, layout.height - viewportHeight));
}

qreal scrollableHeight(const TranscriptLayout& layout, qreal viewportHeight) {
    if (layout.height <= viewportHeight || layout.wordRects.isEmpty())
        return layout.height;
    const QRectF last = layout.wordRects[layout.wordRects.size() - 1];
    return layout.height + last.height() + FlowLayout::lineSpacing;
}

qreal followScrollOffset(const TranscriptLayout& layout, qsizetype word, qreal viewportHeight) {
    const auto paragraph = paragraphHoldingWord(layout, word);
    if (!paragraph)
        return 0;
    if (layout.paragraphs[*paragraph].rect.height() <= viewportHeight)
        return centredScrollOffset(layout, *paragraph, viewportHeight);
    const QRectF current = layout.wordRects[word];
    const qreal bottom =
        std::max<qreal>(0, scrollableHeight(layout, viewportHeight) - viewportHeight);
    const qreal offset = std::clamp<qreal>(current.center().y() - viewportHeight / 2, 0, bottom);
    // The row the top edge would cut is brought down whole, the padding above it kept; where
    // that would push the current row out at the bottom, the row goes above the edge instead.
    const auto& rects = layout.wordRects;
    const WordSpan cut = wordsMeeting(layout, offset, offset);
    const QRectF row = cut.first < cut.end ? rects[cut.first] : QRectF();
    if (row.top() >= offset || row.bottom() <= offset)
        return offset;
    const qreal whole = std::max<qreal>(0, row.top() - TranscriptLayout::verticalPadding);
    if (current.bottom() <= whole + viewportHeight)
        return whole;
    const auto words = std::views::iota(cut.first, rects.size());
    const auto next = std::ranges::partition_point(
        words, [&](qsizetype word) { return rects.top(word) <= row.top(); });
    const qreal below =
        next == words.end() ? offset : rects.top(*next) - TranscriptLayout::verticalPadding;
    return std::min(below, bottom);
}

} // namespace Parlino
