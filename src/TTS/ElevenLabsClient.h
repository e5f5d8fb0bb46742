#pragma once

#include "Base/Date.h"
#include "Base/Result.h"
#include "Base/Worker.h"
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

// Where a client's answers are read: a worker of the object that sends the requests, and the
// receiver on the main thread that their results go back through. The receiver outlives the
// worker, and the two go together with their owner; a result whose receiver is gone is
// dropped, and so is an answer that arrives after it.
struct AnswerReader {
    Base::Worker& worker;
    QObject& receiver;
};

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
// Each operation is started on the main thread; its answer is read on the reader's worker, and
// its completion runs later on the main thread exactly once, or never when `cancel` is stopped
// first (which also aborts the transfer) or the reader's receiver is gone. Answers are bounded: a
// synthesis answer by the length of its text, the others by what an account can hold.
class ElevenLabsClient {
public:
    template <class T> using Completion = std::function<void(Base::Result<T, Core::TTSError>)>;

    // `now` is asked on the reader's worker, for a wait the service names as a date.
    ElevenLabsClient(Endpoint endpoint, QNetworkAccessManager& session, AnswerReader reader,
                     ServiceTimeouts timeouts = {},
                     Base::Scheduler& scheduler = Base::QtScheduler::shared(),
                     std::function<Base::Date()> now = &Base::Date::now)
        : m_endpoint(std::move(endpoint)), m_session(&session), m_reader(&reader.worker),
          m_receiver(&reader.receiver), m_timeouts(timeouts), m_scheduler(&scheduler),
          m_now(std::move(now)) {}

    // The largest synthesis answer taken for a text of `textLength` UTF-16 code units: room for
    // half a minute of 128 kbit/s audio per 100 code units, in Base64, with its alignment.
    static qint64 maxSynthesisBytes(qsizetype textLength);

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
    template <class T>
    using Reading = std::function<Base::Result<T, Core::TTSError>(const ServiceResponse&)>;

    // Sends the request and hands its answer to `read` on the reader's worker.
    template <class T>
    void exchange(ServiceRequest request, Reading<T> read, Completion<T> completion,
                  std::stop_token cancel) const;

    Endpoint m_endpoint;
    QNetworkAccessManager* m_session;
    Base::Worker* m_reader;
    QObject* m_receiver;
    ServiceTimeouts m_timeouts;
    Base::Scheduler* m_scheduler;
    std::function<Base::Date()> m_now;
};

} // namespace TTS
