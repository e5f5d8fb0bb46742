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

qsizetype paragraphOfWord(const QList<Paragraph>& paragraphs, qsizetype current, qint64 lower) {
    qsizetype next = current + 1;
    while (next < paragraphs.size() && paragraphs[next].utf16Offset <= lower)
        ++next;
    return next - 1;
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

} // namespace Transcript

} // namespace Parlino
