#include "Playback/Linux/Mpg123Decoder.h"

#include <mpg123.h>

namespace Playback {

namespace {

AudioDecodeError decodeError(const char* what, int code) {
    return {QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                         QString::fromUtf8(mpg123_plain_strerror(code)))};
}

bool isFrame(int code) {
    return code == MPG123_OK || code == MPG123_NEW_FORMAT;
}

} // namespace

void Mpg123Decoder::HandleDeleter::operator()(mpg123_handle_struct* handle) const {
    mpg123_delete(handle);
}

Base::Result<Mpg123Decoder::Handle, AudioDecodeError>
Mpg123Decoder::openFeed(const QByteArray& data, bool gapless) {
    int code = MPG123_OK;
    Handle handle(mpg123_new(nullptr, &code));
    if (!handle)
        return Base::failure(decodeError("mpg123_new", code));
    mpg123_param(handle.get(), MPG123_FLAGS,
                 MPG123_QUIET | MPG123_FORCE_FLOAT | (gapless ? MPG123_GAPLESS : 0), 0);
    mpg123_format_none(handle.get());
    for (const long rate : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L})
        mpg123_format(handle.get(), rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    code = mpg123_open_feed(handle.get());
    if (code == MPG123_OK)
        code = mpg123_feed(handle.get(), reinterpret_cast<const unsigned char*>(data.constData()),
                           size_t(data.size()));
    if (code != MPG123_OK)
        return Base::failure(decodeError("mpg123_feed", code));
    return handle;
}

Base::Result<std::unique_ptr<Mpg123Decoder>, AudioDecodeError>
Mpg123Decoder::open(QByteArray data) {
    // A first pass parses every frame header without decoding: it refuses data that holds no
    // frame and learns the exact length, which streams without a header frame only tell at the end.
    auto scan = openFeed(data, true);
    if (!scan)
        return Base::failure(scan.error());
    int code = MPG123_OK;
    int64_t frames = 0;
    int64_t samples = 0; // what the frames hold before any trimming
    while (isFrame(code = mpg123_framebyframe_next(scan->get()))) {
        ++frames;
        samples += mpg123_spf(scan->get());
    }
    if (frames == 0)
        return Base::failure(decodeError("no MPEG audio frame", code));
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if ((code = mpg123_getformat(scan->get(), &rate, &channels, &encoding)) != MPG123_OK)
        return Base::failure(decodeError("mpg123_getformat", code));
    int64_t totalFrames = mpg123_length(scan->get());
    if (totalFrames <= 0)
        return Base::failure(decodeError("mpg123_length", int(totalFrames)));
    // A header that claims more than the frames hold is not to be trusted with the trimming
    // either: the whole of every frame is decoded instead.
    const bool trustHeader = totalFrames <= samples;
    if (!trustHeader)
        totalFrames = samples;

    auto decoding = openFeed(data, trustHeader);
    if (!decoding)
        return Base::failure(decoding.error());
    return std::unique_ptr<Mpg123Decoder>(new Mpg123Decoder(std::move(data), std::move(*decoding),
                                                            {int(rate), channels}, totalFrames));
}

Mpg123Decoder::Mpg123Decoder(QByteArray data, Handle handle, PcmFormat format, int64_t totalFrames)
    : m_data(std::move(data)), m_handle(std::move(handle)), m_format(format),
      m_totalFrames(totalFrames) {}

Mpg123Decoder::~Mpg123Decoder() = default;

bool Mpg123Decoder::decodeNext(std::vector<float>& pcm) {
    while (!m_ended) {
        unsigned char* audio = nullptr;
        size_t bytes = 0;
        off_t frameNumber = 0;
        const int code = mpg123_decode_frame(m_handle.get(), &frameNumber, &audio, &bytes);
        if (bytes > 0) {
            const auto* samples = reinterpret_cast<const float*>(audio);
            pcm.insert(pcm.end(), samples, samples + bytes / sizeof(float));
            return true;
        }
        // Frames that decode to nothing (encoder delay, a new format) are passed over; the end of
        // the data or a fatal error ends the stream.
        m_ended = !isFrame(code);
    }
    return false;
}

} // namespace Playback
