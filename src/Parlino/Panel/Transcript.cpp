#include "Parlino/Panel/Transcript.h"

#include <algorithm>

namespace Parlino {

ParagraphHighlight ParagraphHighlight::of(qsizetype baseGlobalIndex, qsizetype wordCount,
                                          std::optional<qsizetype> currentWordIndex) {
    if (!currentWordIndex || *currentWordIndex < baseGlobalIndex)
        return {Form::ahead, 0};
    if (*currentWordIndex >= baseGlobalIndex + wordCount)
        return {Form::passed, 0};
    return {Form::inside, *currentWordIndex - baseGlobalIndex};
}

namespace Transcript {

QList<Paragraph> paragraphs(const QString& text) {
    QList<Paragraph> result;
    qsizetype start = 0;
    while (true) {
        const qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        const qsizetype length = (end < 0 ? text.size() : end) - start;
        result.append({result.size(), text.mid(start, length), start});
        if (end < 0)
            return result;
        start = end + 1;
    }
}

QList<ParagraphWordGroup> wordGroups(const QString& text, const QList<Core::WordTiming>& words) {
    const QList<Paragraph> split = paragraphs(text);
    QList<ParagraphWordGroup> groups;
    groups.reserve(split.size());
    for (const Paragraph& paragraph : split)
        groups.append({paragraph.id, paragraph.text, paragraph.utf16Offset, 0, {}});

    qsizetype current = 0;
    for (qsizetype g = 0; g < words.size(); ++g) {
        const qint64 lower = words[g].range.lower;
        qsizetype next = current + 1;
        while (next < groups.size() && groups[next].utf16Offset <= lower)
            ++next;
        current = next - 1;
        ParagraphWordGroup& group = groups[current];
        if (group.words.isEmpty())
            group.baseGlobalIndex = g;
        group.words.append(words[g]);
    }
    return groups;
}

WordTier tier(qsizetype globalIndex, std::optional<qsizetype> currentWordIndex) {
    if (!currentWordIndex || globalIndex > *currentWordIndex)
        return WordTier::upcoming;
    return globalIndex == *currentWordIndex ? WordTier::current : WordTier::spoken;
}

std::optional<WordRange> changedWords(std::optional<qsizetype> before,
                                      std::optional<qsizetype> after) {
    if (before == after)
        return std::nullopt;
    // With no current word every word is upcoming, as if the current word stood before the
    // first one.
    const qsizetype from = before.value_or(-1);
    const qsizetype to = after.value_or(-1);
    return WordRange{std::max<qsizetype>(0, std::min(from, to)), std::max(from, to)};
}

std::optional<qsizetype> followedParagraph(const QList<Paragraph>& paragraphs,
                                           const QList<Core::WordTiming>& words,
                                           std::optional<qsizetype> currentWordIndex) {
    if (!currentWordIndex || *currentWordIndex < 0 || *currentWordIndex >= words.size())
        return std::nullopt;
    const qint64 lower = words[*currentWordIndex].range.lower;
    for (qsizetype p = paragraphs.size() - 1; p >= 0; --p)
        if (paragraphs[p].utf16Offset <= lower)
            return p;
    return 0;
}

} // namespace Transcript

} // namespace Parlino
