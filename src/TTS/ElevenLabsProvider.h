#pragma once

#include "Core/TTSProvider.h"
#include "TTS/ElevenLabsClient.h"

namespace TTS {

// The ElevenLabs service as a text-to-speech provider: each synthesis is one request whose
// answer becomes exactly three events (audio, timings, done) followed by the normal end, or an
// error and nothing else.
class ElevenLabsProvider final : public Core::TTSProvider {
public:
    ElevenLabsProvider(Endpoint endpoint, QNetworkAccessManager& session,
                       ServiceTimeouts timeouts = {})
        : m_client(std::move(endpoint), session, timeouts) {}

    Core::ProviderID id() const override { return Core::ProviderID::elevenLabs; }
    Core::ProviderCapabilities capabilities() const override {
        return {Core::TimingFidelity::word, 2000};
    }

    // Sends the request at once. Cancelling the stream aborts the transfer.
    Core::SynthesisStream synthesize(const QString& text, const Core::VoiceID& voice,
                                     const Core::SynthesisSettings& settings,
                                     const QStringList& previousRequestIDs) override;

    const ElevenLabsClient& client() const { return m_client; }

private:
    ElevenLabsClient m_client;
};

} // namespace TTS
