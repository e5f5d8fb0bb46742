#pragma once

#include "Base/Result.h"
#include "Core/ReadTypes.h"
#include "Core/TTSError.h"
#include "Core/WordTiming.h"
#include "TTS/Endpoint.h"
#include "TTS/KeyValidation.h"
#include "TTS/ServiceTransfer.h"
#include "TTS/Voice.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <functional>
#include <optional>
#include <stop_token>

class QNetworkAccessManager;

namespace TTS {

// The audio of one chunk with its word timings.
struct SynthesizedChunk {
    QByteArray audio;              // in the requested output format
    QList<Core::WordTiming> words; // ranges in the chunk's text, times from the chunk's start
    double duration = 0;           // seconds
    std::optional<QString> requestID;
};

// The client of the ElevenLabs text-to-speech service: synthesis with timestamps, the voice
// list and the key check. Every failure is a TTSError; the credential's own error passes
// through unchanged. Nothing is retried.
//
// Each operation runs on the main thread; its completion runs later on the main thread exactly
// once, or never when `cancel` is stopped first (which also aborts the transfer).
class ElevenLabsClient {
public:
    template <class T> using Completion = std::function<void(Base::Result<T, Core::TTSError>)>;

    // `bodyStallMilliseconds` bounds how long an answer's body may stop arriving.
    ElevenLabsClient(Endpoint endpoint, QNetworkAccessManager& session,
                     int bodyStallMilliseconds = ServiceRequest{}.bodyStallMilliseconds)
        : m_endpoint(std::move(endpoint)), m_session(&session),
          m_bodyStallMilliseconds(bodyStallMilliseconds) {}

    const Endpoint& endpoint() const { return m_endpoint; }
    QNetworkAccessManager& session() const { return *m_session; }

    // Only the last three of `previousRequestIDs` are sent.
    void synthesize(const QString& text, const Core::VoiceID& voice,
                    const Core::SynthesisSettings& settings, const QStringList& previousRequestIDs,
                    Completion<SynthesizedChunk> completion, std::stop_token cancel = {}) const;

    void validateKey(Completion<KeyValidation> completion, std::stop_token cancel = {}) const;

    // The account's voices in the service's order.
    void voices(Completion<QList<Voice>> completion, std::stop_token cancel = {}) const;

private:
    using Response = Base::Result<ServiceResponse, Core::TTSError>;

    void send(ServiceRequest request, std::function<void(Response)> completion,
              std::stop_token cancel) const;

    Endpoint m_endpoint;
    QNetworkAccessManager* m_session;
    int m_bodyStallMilliseconds;
};

} // namespace TTS
