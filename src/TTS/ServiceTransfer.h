#pragma once

#include "Base/Result.h"
#include "Base/Scheduler.h"
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

// How long a request waits for each part of its answer.
struct ServiceTimeouts {
    // From the request's start until the answer begins (its status line), restarted by every
    // part of the request that goes out.
    int answerMilliseconds = 60'000;
    // How long a body that has begun may stop arriving.
    int bodyStallMilliseconds = 15'000;
    // The slowest any answer of the service arrives: beyond the answer time-out, a request has
    // the time its body bound takes at this rate to be answered whole, however its bytes trickle.
    qint64 slowestBytesPerSecond = qint64(64) << 10;
};

// One request to the service, before the API key is added.
struct ServiceRequest {
    enum class Method { get, post };

    Method method = Method::get;
    QUrl url;           // an invalid address fails the request before the key is asked for
    HeaderList headers; // besides "xi-api-key"
    QByteArray body;
    ServiceTimeouts timeouts{};
    // The largest answer body taken in; a larger one is refused as soon as it is announced or
    // passes the bound, and never kept whole.
    qint64 maxBodyBytes = qint64(16) << 20;
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
// no cached answers, redirects only within the same origin, the request's time-outs and body
// bound. A request that gets no answer within its answer time-out, or whose answer has not
// come whole within its transfer limit, fails as unanswered. A body
// that stops arriving for the request's stall time, or that ends before all of it came, is a
// failed transfer like a lost connection, never an answer. A body over the bound is a fault of
// the service: "answer too large".
namespace ServiceTransfer {

inline constexpr int timeoutMilliseconds = ServiceTimeouts{}.answerMilliseconds;

// Seconds from the request's start within which its whole answer must have come: the answer
// time-out and the body bound at the slowest rate.
double transferLimit(const ServiceRequest& request);

// Asks the endpoint for the key, then sends the request on `session`; the transfer limit runs on
// `scheduler`. The completion runs later on the main thread, exactly once, unless `cancel` is
// stopped first: then the transfer is aborted and the completion never runs. Call on the main
// thread.
void send(QNetworkAccessManager& session, Base::Scheduler& scheduler, const Endpoint& endpoint,
          ServiceRequest request, std::function<void(TransferResult)> completion,
          std::stop_token cancel = {});

} // namespace ServiceTransfer

} // namespace TTS
