#pragma once

#include "Base/Result.h"
#include "Playback/ChunkPlayer.h"
#include "Playback/Linux/PcmOutput.h"

#include <QByteArray>

#include <memory>
#include <span>
#include <vector>

struct mpg123_handle_struct;

namespace Playback {

// Decodes MP3 held in memory to float samples, a block at a time, and seeks to any sample.
// Encoder delay and padding are removed where the stream's header gives them. Only the stream's
// first format is decoded: a stream that changes its sample rate or channel count ends there.
class Mpg123Decoder {
public:
    // Fails when the data holds no MP3 frame.
    static Base::Result<std::unique_ptr<Mpg123Decoder>, AudioDecodeError> open(QByteArray data);
    ~Mpg123Decoder();
    Mpg123Decoder(const Mpg123Decoder&) = delete;
    Mpg123Decoder& operator=(const Mpg123Decoder&) = delete;

    const PcmFormat& format() const { return m_format; }
    // The number of frames decoding gives from the start to the end, exactly: a frame that will
    // not decode after all is given as silence, and nothing is given past this length.
    int64_t totalFrames() const { return m_totalFrames; }
    // The frame that the next block starts at.
    int64_t position() const { return m_position; }
    // The next block of interleaved samples (one MPEG frame or less), valid until the next call;
    // empty once the stream has ended.
    std::span<const float> decodeNext();
    // Decoding goes on from `frame` (clamped to the stream), as if it had run there from the start.
    void seek(int64_t frame);

    // Reads the data as a file of `size` bytes, without copying it.
    struct MemoryReader {
        const char* data = nullptr;
        int64_t size = 0;
        int64_t position = 0;
    };

private:
    struct HandleDeleter {
        void operator()(mpg123_handle_struct* handle) const;
    };
    using Handle = std::unique_ptr<mpg123_handle_struct, HandleDeleter>;

    explicit Mpg123Decoder(QByteArray data);
    // A handle that reads m_reader from its start.
    Base::Result<Handle, AudioDecodeError> openHandle();
    Base::Result<void, AudioDecodeError> prepare();
    // Where the stream's first format ends: the data's size unless it changes midway.
    Base::Result<int64_t, AudioDecodeError> firstFormatEnd();
    std::span<const float> silence(int64_t frames);

    const QByteArray m_data; // the handle reads from it
    MemoryReader m_reader;
    Handle m_handle;
    PcmFormat m_format;
    int64_t m_totalFrames = 0;
    int64_t m_position = 0;
    bool m_ended = false;
    std::vector<float> m_silence;
};

} // namespace Playback
