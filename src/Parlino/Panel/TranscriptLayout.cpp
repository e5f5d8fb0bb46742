#include "Parlino/Panel/TranscriptLayout.h"

#include "Parlino/Panel/FlowLayout.h"
#include "Parlino/Panel/TextMeasurer.h"

#include <QHash>

#include <algorithm>

namespace Parlino {

namespace {

// Lays out the groups from `first` on below the paragraphs of `layout` before it.
void layOutFrom(TranscriptLayout& layout, qsizetype first, const QList<ParagraphWordGroup>& groups,
                TranscriptCaseChoice caseChoice, const QFont& font, const TextMeasurer& measurer) {
    const qsizetype keptWords = first < layout.paragraphs.size()
                                    ? layout.paragraphs[first].firstWord
                                    : layout.wordRects.size();
    layout.paragraphs.resize(std::min(first, layout.paragraphs.size()));
    layout.wordRects.resize(keptWords);
    layout.wordTexts.resize(keptWords);
    const FlowLayout flow;
    const qreal contentWidth =
        std::max<qreal>(0, layout.width - 2 * TranscriptLayout::horizontalPadding);
    QHash<QString, QSizeF> measured;
    qreal y = layout.paragraphs.isEmpty() ? TranscriptLayout::verticalPadding
                                          : layout.paragraphs.last().rect.bottom();
    for (qsizetype g = layout.paragraphs.size(); g < groups.size(); ++g) {
        const ParagraphWordGroup& group = groups[g];
        if (group.id > 0)
            y += TranscriptLayout::paragraphSpacing;
        QList<QSizeF> sizes;
        sizes.reserve(group.words.size());
        for (const Core::WordTiming& word : group.words) {
            const QString shown = TranscriptCaseChoices::apply(caseChoice, word.word);
            auto found = measured.constFind(shown);
            if (found == measured.cend())
                found = measured.insert(shown, measurer.lineSize(shown, font));
            sizes.append(*found);
            layout.wordTexts.append(shown);
        }
        const QRectF bounds(TranscriptLayout::horizontalPadding, y, contentWidth, 0);
        const qreal height = flow.sizeThatFits(sizes, contentWidth).height();
        layout.wordRects.append(flow.place(sizes, bounds));
        layout.paragraphs.append({QRectF(bounds.topLeft(), QSizeF(contentWidth, height)),
                                  layout.wordRects.size() - sizes.size(), sizes.size()});
        y += height;
    }
    layout.height = y + TranscriptLayout::verticalPadding;
}

} // namespace

TranscriptLayout layOutTranscript(const QList<ParagraphWordGroup>& groups,
                                  TranscriptCaseChoice caseChoice, const QFont& font,
                                  const TextMeasurer& measurer, qreal width) {
    TranscriptLayout layout;
    layout.width = width;
    layOutFrom(layout, 0, groups, caseChoice, font, measurer);
    return layout;
}

void appendToTranscriptLayout(TranscriptLayout& layout, const QList<ParagraphWordGroup>& groups,
                              TranscriptCaseChoice caseChoice, const QFont& font,
                              const TextMeasurer& measurer) {
    const auto last = paragraphHoldingWord(layout, layout.wordRects.size() - 1);
    layOutFrom(layout, last.value_or(0), groups, caseChoice, font, measurer);
}

std::optional<qsizetype> wordAt(const TranscriptLayout& layout, QPointF point) {
    const auto& boxes = layout.paragraphs;
    const auto below = std::upper_bound(
        boxes.begin(), boxes.end(), point.y(),
        [](qreal y, const TranscriptLayout::ParagraphBox& box) { return y < box.rect.top(); });
    if (below == boxes.begin())
        return std::nullopt;
    const TranscriptLayout::ParagraphBox& box = *(below - 1);
    for (qsizetype w = box.firstWord; w < box.firstWord + box.wordCount; ++w)
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

} // namespace Parlino
