#include "TTS/ElevenLabsClient.h"

#include "Base/Base64.h"
#include "Base/Json.h"
#include "Base/Log.h"
#include "Base/Unicode.h"
#include "TTS/RetryAfter.h"
#include "TTS/ServiceAnswers.h"
#include "TTS/WordMapper.h"

#include <QPointer>

#include <algorithm>

namespace TTS {

namespace {

namespace Json = Base::Json;
using Core::TTSError;
using namespace ServiceAnswers;
using DateSource = std::function<Base::Date()>;

const Base::Log& log() {
    static const Base::Log instance(QStringLiteral("tts"));
    return instance;
}

constexpr qsizetype maxPreviousRequestIDs = 3;
// The user record is a few kilobytes; the voice list keeps the request's general bound.
constexpr qint64 maxUserBytes = qint64(1) << 20;

TTSError undecodableResponse() {
    return TTSError::providerFault(200, QStringLiteral("undecodable response"));
}

// ---- Requests -----------------------------------------------------------------------------

QByteArray synthesisBody(const QString& text, const QString& modelID,
                         const QStringList& previousRequestIDs) {
    Json::Value body = Json::Value::object();
    body["text"] = text;
    body["model_id"] = modelID;
    if (!previousRequestIDs.isEmpty()) {
        Json::Value ids = Json::Value::array();
        for (const QString& id :
             previousRequestIDs.last(std::min(previousRequestIDs.size(), maxPreviousRequestIDs)))
            ids.push_back(id);
        body["previous_request_ids"] = std::move(ids);
    }
    return Json::serialize(body).valueOr({});
}

ServiceRequest synthesisRequest(const Endpoint& endpoint, const QString& text,
                                const Core::VoiceID& voice, const Core::SynthesisSettings& settings,
                                const QStringList& previousRequestIDs) {
    QUrl url;
    if (const auto segment = Endpoint::pathSegment(voice.rawValue)) {
        QUrlQuery query;
        query.addQueryItem(QStringLiteral("output_format"),
                           QString::fromLatin1(QUrl::toPercentEncoding(settings.outputFormat)));
        url = endpoint.address(QStringLiteral("/v1/text-to-speech/") + *segment +
                                   QStringLiteral("/with-timestamps"),
                               query);
    }
    return {ServiceRequest::Method::post,
            url,
            {{"Content-Type", "application/json"}},
            synthesisBody(text, settings.modelID, previousRequestIDs)};
}

ServiceRequest getRequest(const Endpoint& endpoint, const QString& path) {
    return {ServiceRequest::Method::get, endpoint.address(path), {}, {}};
}

// ---- Status -------------------------------------------------------------------------------

void logProviderError(int status, const ErrorDetail& detail) {
    const QString message = detail.message.value_or(QString());
    const QString line =
        QStringLiteral("provider error HTTP %1 slug=%2 msgLen=%3 msg=\"%4\"")
            .arg(QString::number(status), detail.status.value_or(QStringLiteral("-")),
                 QString::number(Base::Unicode::graphemeCount(message)), message);
    log().notice("%{public}s", line);
}

// The wait a "Retry-After" header asks for, counted from `now` when it names a date.
std::optional<double> retryAfter(const ServiceResponse& response, const DateSource& now) {
    const auto value = response.header("retry-after");
    if (!value)
        return std::nullopt;
    return RetryAfter::seconds(*value, now());
}

// Statuses of 400 and above become the error of their status.
std::optional<TTSError> checkStatus(const ServiceResponse& response, const DateSource& now) {
    const int status = *response.status;
    if (status < 400)
        return std::nullopt;
    const auto detail = decodeErrorDetail(response.body);
    if (detail)
        logProviderError(status, *detail);
    switch (status) {
    case 401:
        return detail && detail->status == u"is_in_probation" ? TTSError::accountInProbation()
                                                              : TTSError::unauthorized();
    case 402:
        return TTSError::insufficientCredits();
    case 403:
        return TTSError::insufficientPermissions();
    case 429:
        return TTSError::rateLimited(detail ? detail->message.value_or(QString()) : QString(),
                                     retryAfter(response, now));
    default:
        return TTSError::providerFault(status,
                                       detail ? detail->message.value_or(QString()) : QString());
    }
}

// ---- Answers ------------------------------------------------------------------------------

// An alignment times each character of the text it was made for: arrays of different lengths
// time no text at all, and the chunk is taken as one the service sent without timing.
bool isWhole(const Alignment& alignment) {
    const qsizetype count = alignment.characters.size();
    if (alignment.startTimes.size() == count && alignment.endTimes.size() == count)
        return true;
    log().error("alignment arrays differ in length: characters=%{public}ld starts=%{public}ld "
                "ends=%{public}ld — taken as no alignment",
                count, alignment.startTimes.size(), alignment.endTimes.size());
    return false;
}

// Words the alignment places beyond the sent text were never selected; they are dropped.
Base::Result<SynthesizedChunk, TTSError> synthesizedChunk(const ServiceResponse& response,
                                                          qsizetype textLength) {
    const auto decoded = decodeTimestampResponse(response.body);
    if (!decoded)
        return Base::failure(undecodableResponse());
    auto audio = Base::Base64::decodeStrict(decoded->audioBase64);
    if (!audio)
        return Base::failure(TTSError::providerFault(200, QStringLiteral("invalid audio payload")));
    SynthesizedChunk chunk{std::move(*audio), {}, 0, std::nullopt};
    if (const auto& alignment = decoded->alignment; alignment && isWhole(*alignment)) {
        chunk.words =
            WordMapper::words(alignment->characters, alignment->startTimes, alignment->endTimes);
        chunk.words.removeIf(
            [textLength](const Core::WordTiming& word) { return word.range.upper > textLength; });
        chunk.duration = alignment->endTimes.isEmpty() ? 0 : alignment->endTimes.last();
    }
    if (const auto requestID = response.header("request-id"))
        chunk.requestID = QString::fromUtf8(*requestID);
    return chunk;
}

} // namespace

qint64 ElevenLabsClient::maxSynthesisBytes(qsizetype textLength) {
    // Decoded, the largest answer's audio stays well inside what the stores read back (64 MiB).
    constexpr qint64 base = qint64(256) << 10;
    constexpr qint64 perCodeUnit = qint64(8) << 10;
    constexpr qint64 ceiling = qint64(48) << 20;
    return std::min(base + perCodeUnit * textLength, ceiling);
}

// The transfer's result comes back on the main thread; the answer is read on the reader's worker
// (a large one takes long to parse) and its result handed back through the reader's receiver,
// unless the caller cancelled meanwhile. While the receiver lives, so does the worker.
template <class T>
void ElevenLabsClient::exchange(ServiceRequest request, Reading<T> read, Completion<T> completion,
                                std::stop_token cancel) const {
    request.timeouts = m_timeouts;
    ServiceTransfer::send(
        *m_session, *m_scheduler, m_endpoint, std::move(request),
        [reader = m_reader, receiver = QPointer(m_receiver), read = std::move(read),
         completion = std::move(completion), cancel](TransferResult result) mutable {
            if (!receiver)
                return;
            if (!result) {
                if (const auto code = result.error().transferErrorCode)
                    log().error("URLError code=%{public}ld", qint64(*code));
                completion(Base::failure(result.error().error));
                return;
            }
            if (!result->status) {
                log().error("non-HTTP response");
                completion(Base::failure(
                    TTSError::providerFault(-1, QStringLiteral("non-HTTP response"))));
                return;
            }
            log().notice("HTTP %{public}ld bytes=%{public}ld", qint64(*result->status),
                         qint64(result->body.size()));
            reader->run(
                *receiver,
                [read = std::move(read), response = std::move(result).value()] {
                    return read(response);
                },
                [completion = std::move(completion), cancel](Base::Result<T, TTSError> answer) {
                    if (!cancel.stop_requested())
                        completion(std::move(answer));
                });
        },
        cancel);
}

void ElevenLabsClient::synthesize(const QString& text, const Core::VoiceID& voice,
                                  const Core::SynthesisSettings& settings,
                                  const QStringList& previousRequestIDs,
                                  Completion<SynthesizedChunk> completion,
                                  std::stop_token cancel) const {
    ServiceRequest request =
        synthesisRequest(m_endpoint, text, voice, settings, previousRequestIDs);
    request.maxBodyBytes = maxSynthesisBytes(text.size());
    exchange<SynthesizedChunk>(
        std::move(request),
        [textLength = text.size(),
         now = m_now](const ServiceResponse& response) -> Base::Result<SynthesizedChunk, TTSError> {
            if (auto error = checkStatus(response, now))
                return Base::failure(std::move(*error));
            return synthesizedChunk(response, textLength);
        },
        std::move(completion), std::move(cancel));
}

void ElevenLabsClient::validateKey(Completion<KeyValidation> completion,
                                   std::stop_token cancel) const {
    ServiceRequest request = getRequest(m_endpoint, QStringLiteral("/v1/user"));
    request.maxBodyBytes = maxUserBytes;
    exchange<KeyValidation>(
        std::move(request),
        [now = m_now](const ServiceResponse& response) -> Base::Result<KeyValidation, TTSError> {
            // The key works but lacks the permission to read usage.
            if (*response.status == 403)
                return KeyValidation::authenticatedNoUsage();
            if (auto error = checkStatus(response, now))
                return Base::failure(std::move(*error));
            const auto quota = decodeQuota(response.body);
            if (!quota)
                return Base::failure(undecodableResponse());
            return KeyValidation::withQuota(*quota);
        },
        std::move(completion), std::move(cancel));
}

void ElevenLabsClient::voices(Completion<QList<Voice>> completion, std::stop_token cancel) const {
    exchange<QList<Voice>>(
        getRequest(m_endpoint, QStringLiteral("/v1/voices")),
        [now = m_now](const ServiceResponse& response) -> Base::Result<QList<Voice>, TTSError> {
            if (auto error = checkStatus(response, now))
                return Base::failure(std::move(*error));
            auto voices = decodeVoices(response.body);
            if (!voices)
                return Base::failure(undecodableResponse());
            return std::move(*voices);
        },
        std::move(completion), std::move(cancel));
}

} // namespace TTS
