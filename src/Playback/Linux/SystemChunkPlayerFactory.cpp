#include "Playback/Linux/SystemChunkPlayerFactory.h"

#include "Playback/Linux/Mpg123ChunkPlayer.h"
#include "Playback/Linux/Mpg123Decoder.h"
#include "Playback/Linux/SystemOutputFactory.h"

namespace Playback {

SystemChunkPlayerFactory::SystemChunkPlayerFactory()
    : SystemChunkPlayerFactory(std::make_unique<SystemOutputFactory>()) {}

SystemChunkPlayerFactory::SystemChunkPlayerFactory(std::unique_ptr<PcmOutputFactory> outputs)
    : m_outputs(std::move(outputs)) {}

SystemChunkPlayerFactory::~SystemChunkPlayerFactory() = default;

Base::Result<std::unique_ptr<ChunkPlayer>, AudioDecodeError>
SystemChunkPlayerFactory::makePlayer(const QByteArray& data) {
    auto player = Mpg123ChunkPlayer::make(data, *m_outputs);
    if (!player)
        return Base::failure(player.error());
    player.value()->setVolume(m_gain);
    return std::unique_ptr<ChunkPlayer>(std::move(player).value());
}

bool SystemChunkPlayerFactory::decodes(const QByteArray& data) {
    return Mpg123Decoder::open(data).hasValue();
}

void SystemChunkPlayerFactory::setGain(float gain) {
    m_gain = Mpg123ChunkPlayer::clampedVolume(gain);
}

} // namespace Playback
