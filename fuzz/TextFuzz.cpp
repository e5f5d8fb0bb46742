// The text sanitiser and the sentence chunker: the chunks laid end to end are the sanitised text,
// none is longer than the limit nor ends inside a surrogate pair, and none is longer than asked
// unless it is a single sentence.
#include "Core/SentenceChunker.h"
#include "Core/TextSanitizer.h"
#include "fuzz/FuzzInput.h"

#include <algorithm>

namespace {

// Whether a sentence other than the first of the chunk starts inside it.
bool holdsSeveralSentences(const QList<Base::Unicode::TextRange>& sentences,
                           const Core::Chunk& chunk) {
    const qsizetype end = chunk.utf16Offset + chunk.text.size();
    return std::any_of(sentences.begin(), sentences.end(), [&](const auto& sentence) {
        return sentence.start > chunk.utf16Offset && sentence.start < end;
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const qsizetype maxLength = 1 + data[0];
    const qsizetype limit = 2 * maxLength;
    const QString text =
        Core::TextSanitizer::sanitize(QString::fromUtf8(Fuzz::bytes(data + 1, size - 1)));
    const auto sentences = Base::Unicode::sentenceRanges(text);
    QString laidEndToEnd;
    for (const auto& chunk : Core::SentenceChunker::chunk(text, maxLength, limit)) {
        Fuzz::require(!chunk.text.isEmpty());
        Fuzz::require(chunk.utf16Offset == laidEndToEnd.size());
        Fuzz::require(chunk.text.size() <= limit);
        const qsizetype end = chunk.utf16Offset + chunk.text.size();
        Fuzz::require(end == text.size() || !text[end].isLowSurrogate() ||
                      !chunk.text.back().isHighSurrogate());
        Fuzz::require(chunk.text.size() <= maxLength || !holdsSeveralSentences(sentences, chunk));
        laidEndToEnd += chunk.text;
    }
    Fuzz::require(laidEndToEnd == text);
    return 0;
}
