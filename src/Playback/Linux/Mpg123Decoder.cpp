#include "Playback/Linux/Mpg123Decoder.h"

#include "Base/Log.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <optional>

namespace Playback {

namespace {

const Base::Log& log() {
    static const Base::Log instance(QStringLiteral("audio"));
    return instance;
}

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

ssize_t Mpg123Decoder::MemoryReader::read(void* reader, void* buffer, size_t bytes) {
    auto& self = *static_cast<MemoryReader*>(reader);
    const auto n = std::min<int64_t>(int64_t(bytes), self.data.size() - self.position);
    std::memcpy(buffer, self.data.constData() + self.position, size_t(n));
    self.position += n;
    return ssize_t(n);
}

off_t Mpg123Decoder::MemoryReader::seek(void* reader, off_t offset, int whence) {
    auto& self = *static_cast<MemoryReader*>(reader);
    const int64_t size = self.data.size();
    const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? self.position : size;
    const int64_t position = base + offset;
    if (position < 0 || position > size)
        return -1;
    self.position = position;
    return off_t(position);
}

Base::Result<std::unique_ptr<Mpg123Decoder>, AudioDecodeError>
Mpg123Decoder::open(QByteArray data) {
    auto stream = firstFormatStream(data);
    if (!stream)
        return Base::failure(stream.error());
    std::unique_ptr<Mpg123Decoder> decoder(new Mpg123Decoder(std::move(stream).value()));
    if (auto prepared = decoder->prepare(); !prepared)
        return Base::failure(prepared.error());
    return decoder;
}

Mpg123Decoder::Mpg123Decoder(QByteArray data) : m_reader{std::move(data)} {}

Mpg123Decoder::~Mpg123Decoder() = default;

Base::Result<Mpg123Decoder::Handle, AudioDecodeError>
Mpg123Decoder::openHandle(MemoryReader& reader) {
    int code = MPG123_OK;
    Handle handle(mpg123_new(nullptr, &code));
    if (!handle)
        return Base::failure(decodeError("mpg123_new", code));
    mpg123_param(handle.get(), MPG123_FLAGS, MPG123_QUIET | MPG123_FORCE_FLOAT | MPG123_GAPLESS, 0);
    mpg123_format_none(handle.get());
    for (const long rate : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L})
        mpg123_format(handle.get(), rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    reader.position = 0;
    code =
        mpg123_replace_reader_handle(handle.get(), MemoryReader::read, MemoryReader::seek, nullptr);
    if (code == MPG123_OK)
        code = mpg123_open_handle(handle.get(), &reader);
    if (code != MPG123_OK)
        return Base::failure(decodeError("mpg123_open_handle", code));
    return handle;
}

// Parses every frame header without decoding. From the first frame in another format on, the
// frames in the first format are copied, header and body, after the bytes before it.
Base::Result<QByteArray, AudioDecodeError>
Mpg123Decoder::firstFormatStream(const QByteArray& data) {
    MemoryReader reader{data};
    const auto scan = openHandle(reader);
    if (!scan)
        return Base::failure(scan.error());
    std::optional<PcmFormat> first;
    bool inFirst = true;
    std::optional<QByteArray> kept;
    int64_t leftOut = 0;
    int code = MPG123_OK;
    while (isFrame(code = mpg123_framebyframe_next(scan->get()))) {
        if (code == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0;
            mpg123_getformat(scan->get(), &rate, &channels, nullptr);
            const PcmFormat format{int(rate), channels};
            inFirst = format == first.value_or(format);
            first = first.value_or(format);
        }
        if (!inFirst) {
            if (!kept)
                kept = data.left(qsizetype(mpg123_framepos(scan->get())));
            ++leftOut;
        } else if (kept) {
            unsigned long header = 0;
            unsigned char* body = nullptr;
            size_t bodyBytes = 0;
            mpg123_framedata(scan->get(), &header, &body, &bodyBytes);
            for (const int shift : {24, 16, 8, 0})
                kept->append(char(header >> shift));
            kept->append(reinterpret_cast<const char*>(body), qsizetype(bodyBytes));
        }
    }
    if (!first)
        return Base::failure(decodeError("no MPEG audio frame", code));
    if (!kept)
        return data;
    log().error("left out MPEG frames whose sample rate or channel count differs from the first "
                "frame's: %{public}lld",
                qint64(leftOut));
    return *kept;
}

// A second pass over the frame headers indexes them for seeking and learns their exact length.
Base::Result<void, AudioDecodeError> Mpg123Decoder::prepare() {
    auto opened = openHandle(m_reader);
    if (!opened)
        return Base::failure(opened.error());
    m_handle = std::move(opened).value();
    int code = mpg123_scan(m_handle.get());
    if (code != MPG123_OK)
        return Base::failure(decodeError("mpg123_scan", code));
    long rate = 0;
    int channels = 0;
    if ((code = mpg123_getformat(m_handle.get(), &rate, &channels, nullptr)) != MPG123_OK)
        return Base::failure(decodeError("mpg123_getformat", code));
    m_format = {int(rate), channels};
    m_totalFrames = mpg123_length(m_handle.get());
    if (m_totalFrames <= 0)
        return Base::failure(decodeError("mpg123_length", int(m_totalFrames)));
    return {};
}

std::span<const float> Mpg123Decoder::decodeNext() {
    const int64_t left = m_totalFrames - m_position;
    if (left <= 0)
        return {};
    const auto channels = size_t(m_format.channels);
    std::span<const float> block;
    while (block.empty() && !m_ended) {
        unsigned char* audio = nullptr;
        size_t bytes = 0;
        off_t frameNumber = 0;
        const int code = mpg123_decode_frame(m_handle.get(), &frameNumber, &audio, &bytes);
        // Whole frames only: after a seek into a damaged stream whose frames change format, the
        // decoder may hand over part of one, which would shift each later sample a channel on.
        const size_t samples = bytes / sizeof(float);
        block = {reinterpret_cast<const float*>(audio), samples - samples % channels};
        // Frames that decode to nothing (encoder delay, the format) are passed over; the end of
        // the data or a fatal error ends the stream.
        if (block.empty() && !isFrame(code)) {
            m_ended = true;
            log().error("the audio stopped decoding at %{public}fs of %{public}fs: %{public}s",
                        double(m_position) / m_format.sampleRate,
                        double(m_totalFrames) / m_format.sampleRate,
                        QString::fromUtf8(mpg123_plain_strerror(code)));
        }
    }
    if (block.empty())
        block = silence(left);
    block = block.first(std::min(block.size(), size_t(left) * channels));
    m_position += int64_t(block.size() / channels);
    return block;
}

void Mpg123Decoder::seek(int64_t frame) {
    frame = std::clamp<int64_t>(frame, 0, m_totalFrames);
    m_position = frame;
    if (frame == m_totalFrames)
        return; // nothing is left to decode
    const off_t reached = mpg123_seek(m_handle.get(), off_t(frame), SEEK_SET);
    m_ended = reached != frame;
    if (m_ended)
        log().error("seeking the audio to %{public}fs failed: %{public}s",
                    double(frame) / m_format.sampleRate,
                    QString::fromUtf8(mpg123_strerror(m_handle.get())));
}

std::span<const float> Mpg123Decoder::silence(int64_t frames) {
    constexpr int64_t blockFrames = 1152;
    m_silence.resize(size_t(blockFrames * m_format.channels));
    return std::span<const float>(m_silence).first(
        size_t(std::min(frames, blockFrames) * m_format.channels));
}

} // namespace Playback
