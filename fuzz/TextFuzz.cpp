// The text sanitiser and the sentence chunker: chunks are pieces of the sanitised text, in order,
// none longer than asked unless a single sentence is.
#include "Core/SentenceChunker.h"
#include "Core/TextSanitizer.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const qsizetype maxLength = 1 + data[0];
    const QString text =
        Core::TextSanitizer::sanitize(QString::fromUtf8(Fuzz::bytes(data + 1, size - 1)));
    qsizetype end = 0;
    for (const auto& chunk : Core::SentenceChunker::chunk(text, maxLength)) {
        Fuzz::require(chunk.utf16Offset >= end);
        Fuzz::require(chunk.utf16Offset + chunk.text.size() <= text.size());
        Fuzz::require(text.mid(chunk.utf16Offset, chunk.text.size()) == chunk.text);
        end = chunk.utf16Offset + chunk.text.size();
    }
    return 0;
}
