#include "Core/SentenceCutter.h"

#include <algorithm>

namespace Core {

// A code point may take two code units: a piece holds one at least.
SentenceCutter::SentenceCutter(const QString& text, qsizetype maxLength, qsizetype limit)
    : m_text(text), m_maxLength(std::clamp<qsizetype>(maxLength, 1, std::max<qsizetype>(limit, 2))),
      m_limit(std::max<qsizetype>(limit, 2)), m_clusters(text) {}

// A piece looks at most `limit` code units past its start, and a code unit is looked at by a few
// pieces at most: the cutting is linear in the sentence's length.
QList<qsizetype> SentenceCutter::pieceEnds(Base::Unicode::TextRange sentence) const {
    QList<qsizetype> ends;
    for (qsizetype at = sentence.start; at < sentence.end;) {
        const bool insideWord = at > sentence.start && !startsWord(at);
        at = pieceEnd(at, sentence.end, insideWord);
        ends.append(at);
    }
    return ends;
}

qsizetype SentenceCutter::pieceEnd(qsizetype from, qsizetype end, bool insideWord) const {
    const qsizetype reach = from + m_maxLength;
    if (end <= reach)
        return end;
    if (const auto word = lastWordStart(from, reach))
        return *word;
    // The word at `from` is longer than a piece: it goes whole when the service takes it whole,
    // unless a piece before took its start.
    if (const auto wordEnd = insideWord ? std::nullopt : wholeWordEnd(from, end))
        return *wordEnd;
    return clusterCut(from, end);
}

std::optional<qsizetype> SentenceCutter::lastWordStart(qsizetype from, qsizetype reach) const {
    for (qsizetype at = reach; at > from; --at)
        if (startsWord(at))
            return at;
    return std::nullopt;
}

std::optional<qsizetype> SentenceCutter::wholeWordEnd(qsizetype from, qsizetype end) const {
    const qsizetype wordReach = std::min(from + m_limit, end);
    for (qsizetype at = from + m_maxLength + 1; at <= wordReach; ++at)
        if (at == end || startsWord(at))
            return at;
    return std::nullopt;
}

qsizetype SentenceCutter::clusterCut(qsizetype from, qsizetype end) const {
    const qsizetype reach = from + m_maxLength;
    const qsizetype cut = m_clusters.atOrBefore(reach);
    if (cut > from)
        return cut;
    // One grapheme cluster longer than a piece: whole when the service takes it whole, else cut
    // from its start to its end.
    const qsizetype clusterEnd = std::min(m_clusters.after(from), end);
    if (clusterEnd - from <= m_limit && m_clusters.isBoundary(from))
        return clusterEnd;
    const bool insidePair = m_text[reach - 1].isHighSurrogate() && m_text[reach].isLowSurrogate();
    const qsizetype codePointCut = insidePair ? reach - 1 : reach;
    return codePointCut > from ? codePointCut : from + 2;
}

bool SentenceCutter::startsWord(qsizetype at) const {
    return Base::Unicode::isWhiteSpace(m_text[at - 1].unicode()) &&
           !Base::Unicode::isWhiteSpace(m_text[at].unicode());
}

} // namespace Core
