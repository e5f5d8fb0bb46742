#pragma once

#include "Core/TTSProvider.h"
#include "TTS/ElevenLabsClient.h"

#include <QObject>

#include <memory>

namespace TTS {

// The ElevenLabs service as a text-to-speech provider: each synthesis is one request whose
// answer becomes exactly three events (audio, timings, done) followed by the normal end, or an
// error and nothing else. Answers are read on a worker of the provider's own; one whose provider
// is gone is dropped.
class ElevenLabsProvider final : public Core::TTSProvider {
public:
    ElevenLabsProvider(Endpoint endpoint, QNetworkAccessManager& session,
                       ServiceTimeouts timeouts = {})
        : m_client(std::move(endpoint), session, {*m_reader, *m_receiver}, timeouts) {}

    Core::ProviderID id() const override { return Core::ProviderID::elevenLabs; }
    // Word timings, and chunk texts of up to 2000 UTF-16 code units.
    Core::ProviderCapabilities capabilities() const override {
        return {Core::TimingFidelity::word, 2000};
    }

    // Sends the request at once. Cancelling the stream aborts the transfer.
    Core::SynthesisStream synthesize(const QString& text, const Core::VoiceID& voice,
                                     const Core::SynthesisSettings& settings,
                                     const QStringList& previousRequestIDs) override;

    const ElevenLabsClient& client() const { return m_client; }

private:
    const std::unique_ptr<QObject> m_receiver = std::make_unique<QObject>();
    const std::unique_ptr<Base::Worker> m_reader = std::make_unique<Base::Worker>();
    ElevenLabsClient m_client;
};

} // namespace TTS
