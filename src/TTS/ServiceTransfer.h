#pragma once

#include "Base/Result.h"
#include "Core/TTSError.h"
#include "TTS/Endpoint.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QUrl>

#include <functional>
#include <optional>
#include <stop_token>

class QNetworkAccessManager;

namespace TTS {

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

// One request to the service, before the API key is added.
struct ServiceRequest {
    enum class Method { get, post };

    Method method = Method::get;
    QUrl url;           // an invalid address fails the request before the key is asked for
    HeaderList headers; // besides "xi-api-key"
    QByteArray body;
    // How long the answer's body may stop arriving before the transfer counts as failed.
    int bodyStallMilliseconds = 15'000;
};

// An answer as it came off the wire; its status is not judged here.
struct ServiceResponse {
    std::optional<int> status; // absent when the answer was not an HTTP answer
    QByteArray body;
    HeaderList headers;

    // The value of a header, its name compared without regard to case.
    std::optional<QByteArray> header(QByteArrayView name) const;
};

// Why no answer came back: the credential's own error, a request address that could not be
// formed, or a failed transfer (a network error carrying the transfer's description and code).
struct TransferFailure {
    Core::TTSError error;
    std::optional<int> transferErrorCode;
};

using TransferResult = Base::Result<ServiceResponse, TransferFailure>;

// Carries requests to the service with the rules every caller shares: the key in "xi-api-key",
// no cached answers, redirects only within the same origin, a 60 s transfer time-out. A body
// that stops arriving for the request's stall time, or that ends before all of it came, is a
// failed transfer like a lost connection, never an answer.
namespace ServiceTransfer {

inline constexpr int timeoutMilliseconds = 60'000;

// Asks the endpoint for the key, then sends the request on `session`. The completion runs later
// on the main thread, exactly once, unless `cancel` is stopped first: then the transfer is
// aborted and the completion never runs. Call on the main thread.
void send(QNetworkAccessManager& session, const Endpoint& endpoint, ServiceRequest request,
          std::function<void(TransferResult)> completion, std::stop_token cancel = {});

} // namespace ServiceTransfer

} // namespace TTS
