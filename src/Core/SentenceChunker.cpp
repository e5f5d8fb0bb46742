#include "Core/SentenceChunker.h"

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
                  qsizetype maxLength) {
    QList<Chunk> chunks;
    if (text.isEmpty())
        return chunks;
    const auto appendChunk = [&](qsizetype start, qsizetype end) {
        if (end > start)
            chunks.append(Chunk{text.sliced(start, end - start), start});
    };
    qsizetype start = 0;
    qsizetype end = 0;
    for (const qsizetype segmentEnd : segmentEnds(text, sentences)) {
        const qsizetype segmentStart = end;
        if (end > start && segmentEnd - start > maxLength) {
            appendChunk(start, end);
            start = segmentStart;
        }
        end = segmentEnd;
    }
    appendChunk(start, end);
    return chunks;
}

QList<Chunk> chunk(const QString& text, qsizetype maxLength) {
    return pack(text, Base::Unicode::sentenceRanges(text), maxLength);
}

} // namespace Core::SentenceChunker
