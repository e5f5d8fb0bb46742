#include "Core/SentenceChunker.h"

#include "Core/SentenceCutter.h"

#include <algorithm>

namespace Core::SentenceChunker {

namespace {

// Turns sentence ranges into segments that cover the text exactly: white space between sentences
// belongs to the sentence before it, anything before the first sentence to the first segment.
QList<qsizetype> segmentEnds(const QString& text,
                             const QList<Base::Unicode::TextRange>& sentences) {
    QList<qsizetype> ends;
    for (qsizetype i = 1; i < sentences.size(); ++i) {
        const qsizetype end = sentences[i].start;
        if (end > (ends.isEmpty() ? 0 : ends.last()) && end < text.size())
            ends.append(end);
    }
    ends.append(text.size());
    return ends;
}

} // namespace

QList<Chunk> pack(const QString& text, const QList<Base::Unicode::TextRange>& sentences,
                  qsizetype maxLength, qsizetype limit) {
    QList<Chunk> chunks;
    if (text.isEmpty())
        return chunks;
    maxLength = std::min(maxLength, limit);
    const SentenceCutter cutter(text, maxLength, limit);
    qsizetype start = 0;
    const auto emitUpTo = [&](qsizetype end) {
        if (end > start)
            chunks.append(Chunk{text.sliced(start, end - start), start});
        start = end;
    };
    qsizetype end = 0;
    for (const qsizetype segmentEnd : segmentEnds(text, sentences)) {
        const qsizetype segmentStart = end;
        end = segmentEnd;
        if (segmentEnd - segmentStart > limit) {
            emitUpTo(segmentStart);
            for (const qsizetype pieceEnd : cutter.pieceEnds({segmentStart, segmentEnd}))
                emitUpTo(pieceEnd);
        } else if (segmentStart > start && segmentEnd - start > maxLength) {
            emitUpTo(segmentStart);
        }
    }
    emitUpTo(end);
    return chunks;
}

QList<Chunk> chunk(const QString& text, qsizetype maxLength, qsizetype limit) {
    return pack(text, Base::Unicode::sentenceRanges(text), maxLength, limit);
}

} // namespace Core::SentenceChunker
