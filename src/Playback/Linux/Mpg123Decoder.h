#pragma once

#include "Base/Result.h"
#include "Playback/ChunkPlayer.h"
#include "Playback/Linux/PcmOutput.h"

#include <QByteArray>

#include <memory>
#include <vector>

struct mpg123_handle_struct;

namespace Playback {

// Decodes MP3 held in memory to float samples, a block at a time. Encoder delay and padding are
// removed where the stream's header gives them.
class Mpg123Decoder {
public:
    // Fails when the data holds no MP3 frame.
    static Base::Result<std::unique_ptr<Mpg123Decoder>, AudioDecodeError> open(QByteArray data);
    ~Mpg123Decoder();

    const PcmFormat& format() const { return m_format; }
    // The exact number of frames the stream decodes to.
    int64_t totalFrames() const { return m_totalFrames; }
    // Appends the next block (one MPEG frame or less) to `pcm`; false once the stream has ended.
    bool decodeNext(std::vector<float>& pcm);

private:
    struct HandleDeleter {
        void operator()(mpg123_handle_struct* handle) const;
    };
    using Handle = std::unique_ptr<mpg123_handle_struct, HandleDeleter>;

    Mpg123Decoder(QByteArray data, Handle handle, PcmFormat format, int64_t totalFrames);
    static Base::Result<Handle, AudioDecodeError> openFeed(const QByteArray& data, bool gapless);

    QByteArray m_data; // the handle reads from it
    Handle m_handle;
    PcmFormat m_format;
    int64_t m_totalFrames;
    bool m_ended = false;
};

} // namespace Playback
