// The service's answers: the synthesis answer read as the client reads it (audio, then word
// timings from the alignment), the error detail, the user's quota and the voice list.
#include "Base/Base64.h"
#include "TTS/ServiceAnswers.h"
#include "TTS/WordMapper.h"
#include "fuzz/FuzzInput.h"

namespace Answers = TTS::ServiceAnswers;

namespace {

// Word ranges lie in the joined characters, in order and without overlap.
void checkWords(const Answers::Alignment& alignment) {
    const auto words =
        TTS::WordMapper::words(alignment.characters, alignment.startTimes, alignment.endTimes);
    const qint64 length = alignment.characters.join(QString()).size();
    qint64 end = 0;
    for (const auto& word : words) {
        Fuzz::require(word.range.lower >= end && word.range.lower < word.range.upper);
        Fuzz::require(word.range.upper <= length);
        end = word.range.upper;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray body = Fuzz::bytes(data, size);
    if (const auto answer = Answers::decodeTimestampResponse(body)) {
        (void)Base::Base64::decodeStrict(answer->audioBase64);
        if (answer->alignment)
            checkWords(*answer->alignment);
    }
    (void)Answers::decodeErrorDetail(body);
    (void)Answers::decodeQuota(body);
    if (const auto voices = Answers::decodeVoices(body)) {
        for (const auto& voice : *voices) {
            if (voice.previewURL)
                Fuzz::require(voice.previewURL->scheme() == u"http" ||
                              voice.previewURL->scheme() == u"https");
        }
    }
    return 0;
}
