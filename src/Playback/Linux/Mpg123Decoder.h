#pragma once

#include "Base/Result.h"
#include "Playback/ChunkPlayer.h"
#include "Playback/Linux/PcmOutput.h"

#include <QByteArray>

#include <memory>
#include <span>
#include <vector>

#include <sys/types.h>

struct mpg123_handle_struct;

namespace Playback {

// Decodes MP3 held in memory to float samples, a block at a time, and seeks to any sample.
// Encoder delay and padding are removed where the stream's header gives them. Only frames in the
// stream's first sample rate and channel count are decoded: frames in another (a stream spliced
// from two, a damaged header) are left out.
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
    // The next block of interleaved samples (one MPEG frame or less), valid until the next call;
    // empty once the stream has ended.
    std::span<const float> decodeNext();
    // Decoding goes on from `frame` (clamped to the stream), as if it had run there from the start.
    void seek(int64_t frame);

private:
    struct HandleDeleter {
        void operator()(mpg123_handle_struct* handle) const;
    };
    using Handle = std::unique_ptr<mpg123_handle_struct, HandleDeleter>;
    // Lets a handle read bytes held in memory as a file, without copying them.
    struct MemoryReader {
        const QByteArray data;
        int64_t position = 0;
        static ssize_t read(void* reader, void* buffer, size_t bytes);
        static off_t seek(void* reader, off_t offset, int whence);
    };

    explicit Mpg123Decoder(QByteArray data);
    static Base::Result<Handle, AudioDecodeError> openHandle(MemoryReader& reader);
    // The data, or a copy without the frames in other formats than the first where it has some.
    static Base::Result<QByteArray, AudioDecodeError> firstFormatStream(const QByteArray& data);
    Base::Result<void, AudioDecodeError> prepare();
    std::span<const float> silence(int64_t frames);

    MemoryReader m_reader; // the handle reads from it
    Handle m_handle;
    PcmFormat m_format;
    int64_t m_totalFrames = 0;
    int64_t m_position = 0; // the frame that the next block starts at
    bool m_ended = false;
    std::vector<float> m_silence;
};

} // namespace Playback
