#include "Parlino/Panel/TranscriptLayout.h"

#include "Parlino/Panel/FlowLayout.h"
#include "Parlino/Panel/TextMeasurer.h"

#include <QHash>

#include <algorithm>

namespace Parlino {

TranscriptLayout layOutTranscript(const QList<ParagraphWordGroup>& groups,
                                  TranscriptCaseChoice caseChoice, const QFont& font,
                                  const TextMeasurer& measurer, qreal width) {
    TranscriptLayout layout;
    layout.width = width;
    const FlowLayout flow;
    const qreal contentWidth = std::max<qreal>(0, width - 2 * TranscriptLayout::horizontalPadding);
    QHash<QString, QSizeF> measured;
    qreal y = TranscriptLayout::verticalPadding;
    for (const ParagraphWordGroup& group : groups) {
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
    return layout;
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
