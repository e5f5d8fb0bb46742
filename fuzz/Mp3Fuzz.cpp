// The MP3 decoder on any bytes: it opens or refuses them, decodes exactly the number of frames it
// announced, and a seek to any frame goes on to the same end.
#include "Playback/Linux/Mpg123Decoder.h"
#include "fuzz/FuzzInput.h"

namespace {

// The frames decoded from where the decoder stands to the end.
int64_t framesToEnd(Playback::Mpg123Decoder& decoder) {
    const auto channels = int64_t(decoder.format().channels);
    int64_t frames = 0;
    for (auto block = decoder.decodeNext(); !block.empty(); block = decoder.decodeNext()) {
        Fuzz::require(int64_t(block.size()) % channels == 0);
        frames += int64_t(block.size()) / channels;
        Fuzz::require(frames <= decoder.totalFrames());
    }
    return frames;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto decoder = Playback::Mpg123Decoder::open(
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!decoder)
        return 0;
    Playback::Mpg123Decoder& opened = **decoder;
    Fuzz::require(opened.format().channels > 0 && opened.totalFrames() >= 0);
    Fuzz::require(framesToEnd(opened) == opened.totalFrames());
    // A seek chosen by the input's last bytes, somewhere inside the stream.
    const int64_t total = opened.totalFrames();
    const int64_t target = total == 0 ? 0 : int64_t(data[size - 1]) * 7919 % total;
    opened.seek(target);
    Fuzz::require(framesToEnd(opened) == total - target);
    return 0;
}
