// The MP3 decoder on any bytes: it opens or refuses them, and decodes no more than it announced
// when the stream carries its exact length.
#include "Playback/Linux/Mpg123Decoder.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto decoder = Playback::Mpg123Decoder::open(
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!decoder)
        return 0;
    std::vector<float> pcm;
    // Far more than any frame of input can give: a stream that decodes without end is a fault.
    const size_t limit = size_t((*decoder)->format().channels) * (size + 1) * 1152 * 4;
    while ((*decoder)->decodeNext(pcm))
        Fuzz::require(pcm.size() <= limit);
    return 0;
}
