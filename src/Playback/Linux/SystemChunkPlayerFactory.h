#pragma once

#include "Playback/ChunkPlayer.h"
#include "Playback/Linux/PcmOutput.h"

#include <memory>

namespace Playback {

// Makes MP3 chunk players that play through the machine's sound server (or, without one, the
// null output), each starting at the factory's gain.
class SystemChunkPlayerFactory final : public ChunkPlayerFactory {
public:
    SystemChunkPlayerFactory();
    explicit SystemChunkPlayerFactory(std::unique_ptr<PcmOutputFactory> outputs);
    ~SystemChunkPlayerFactory() override;

    Base::Result<std::unique_ptr<ChunkPlayer>, AudioDecodeError>
    makePlayer(const QByteArray& data) override;
    bool decodes(const QByteArray& data) override;
    void setGain(float gain) override;

private:
    std::unique_ptr<PcmOutputFactory> m_outputs;
    float m_gain = 1.0f;
};

} // namespace Playback
