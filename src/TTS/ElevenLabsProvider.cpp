#include "TTS/ElevenLabsProvider.h"

#include <stop_token>

namespace TTS {

Core::SynthesisStream ElevenLabsProvider::synthesize(const QString& text,
                                                     const Core::VoiceID& voice,
                                                     const Core::SynthesisSettings& settings,
                                                     const QStringList& previousRequestIDs) {
    auto [stream, continuation] = Core::SynthesisStream::make();
    std::stop_source stop;
    continuation.onCancel([stop]() mutable { stop.request_stop(); });
    m_client.synthesize(
        text, voice, settings, previousRequestIDs,
        [continuation](Base::Result<SynthesizedChunk, Core::TTSError> result) mutable {
            if (!result) {
                continuation.fail(result.error());
                return;
            }
            SynthesizedChunk& chunk = *result;
            continuation.yield(Core::SynthesisEvent::audio(std::move(chunk.audio)));
            continuation.yield(Core::SynthesisEvent::timings(std::move(chunk.words)));
            continuation.yield(Core::SynthesisEvent::done(chunk.duration, chunk.requestID));
            continuation.finish();
        },
        stop.get_token());
    return std::move(stream);
}

} // namespace TTS
