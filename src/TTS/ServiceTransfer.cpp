#include "TTS/ServiceTransfer.h"

#include "Base/Log.h"
#include "Base/MainThread.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace TTS {

std::optional<QByteArray> ServiceResponse::header(QByteArrayView name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return std::nullopt;
}

namespace ServiceTransfer {

namespace {

using Completion = std::function<void(TransferResult)>;

const Base::Log& log() {
    static const Base::Log instance(QStringLiteral("tts"));
    return instance;
}

// Why the watch ended a transfer before it finished by itself.
enum class Ending { none, unanswered, stalled, oversize, tooLong };

struct PendingTransfer {
    PendingTransfer(Completion completion, std::stop_token cancel)
        : completion(std::move(completion)), cancel(std::move(cancel)) {}

    Completion completion;
    std::stop_token cancel;
    QPointer<QNetworkReply> reply;
    Ending ending = Ending::none;
    Base::ScheduledTask limit; // the whole transfer's
    std::optional<std::stop_callback<std::function<void()>>> abortOnStop;
};

using Pending = std::shared_ptr<PendingTransfer>;

// Hands the result over from the event loop, never from inside the caller's own call, and
// not at all once the caller has cancelled.
void deliver(const Pending& pending, TransferResult result) {
    Base::MainThread::post([pending, result = std::move(result)]() mutable {
        if (!pending->cancel.stop_requested())
            pending->completion(std::move(result));
    });
}

void fail(const Pending& pending, Core::TTSError error) {
    deliver(pending, Base::failure(TransferFailure{std::move(error), std::nullopt}));
}

void onMainThread(std::function<void()> work) {
    if (Base::MainThread::isCurrent())
        work();
    else
        Base::MainThread::post(std::move(work));
}

// A key with a line break or other control character would corrupt the request's header
// block; such a key cannot be valid, so it is refused like a wrong one.
bool isSendableKey(const QString& key) {
    return !key.isEmpty() && std::all_of(key.cbegin(), key.cend(), [](QChar c) {
        return c.unicode() >= 0x20 && c.unicode() < 0x7F;
    });
}

// Errors of the connection itself (below the proxy range): the transfer broke off.
bool isBrokenTransfer(QNetworkReply::NetworkError error) {
    return error != QNetworkReply::NoError && error < QNetworkReply::ProxyConnectionRefusedError;
}

std::optional<int> statusOf(const QNetworkReply& reply) {
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return status.isValid() ? std::optional(status.toInt()) : std::nullopt;
}

// The service answers at its own address: a redirect that was not followed (to another
// origin, without a target, or in a loop) is the service answering what it should not, not a
// lost connection.
bool isUnfollowedRedirect(const QNetworkReply& reply) {
    const auto status = statusOf(reply);
    return (status && *status >= 300 && *status <= 308) ||
           reply.error() == QNetworkReply::InsecureRedirectError ||
           reply.error() == QNetworkReply::TooManyRedirectsError;
}

TransferResult failed(Core::TTSError error, std::optional<int> code = std::nullopt) {
    return Base::failure(TransferFailure{std::move(error), code});
}

// An answer with an HTTP status is an answer, whatever error Qt attaches to it (it reports
// 4xx and 5xx statuses as errors too), unless its transfer broke off or the watch ended it: then
// its body is incomplete and the transfer failed.
TransferResult outcome(QNetworkReply& reply, Ending ending) {
    switch (ending) {
    case Ending::unanswered:
    case Ending::tooLong:
        return failed(Core::TTSError::unanswered(QStringLiteral("The service did not answer")),
                      int(QNetworkReply::TimeoutError));
    case Ending::stalled:
        return failed(Core::TTSError::network(QStringLiteral("The answer stopped arriving")),
                      int(QNetworkReply::TimeoutError));
    case Ending::oversize:
        return failed(Core::TTSError::providerFault(statusOf(reply).value_or(-1),
                                                    QStringLiteral("answer too large")));
    case Ending::none:
        break;
    }
    const auto status = statusOf(reply);
    if (isUnfollowedRedirect(reply))
        return failed(Core::TTSError::providerFault(status.value_or(-1),
                                                    QStringLiteral("unexpected redirect")));
    if (status && !isBrokenTransfer(reply.error()))
        return ServiceResponse{status, reply.readAll(), reply.rawHeaderPairs()};
    if (reply.error() != QNetworkReply::NoError)
        return failed(Core::TTSError::network(reply.errorString()), int(reply.error()));
    return ServiceResponse{std::nullopt, reply.readAll(), reply.rawHeaderPairs()};
}

QNetworkRequest networkRequest(const ServiceRequest& request, const QString& key) {
    QNetworkRequest r(request.url);
    // Qt's own idle time-out only backs up the watch, which tells the ways of timing out apart.
    r.setTransferTimeout(request.timeouts.answerMilliseconds +
                         request.timeouts.bodyStallMilliseconds);
    r.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                   QNetworkRequest::SameOriginRedirectPolicy);
    r.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    r.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    r.setRawHeader("xi-api-key", key.toLatin1());
    for (const auto& [name, value] : request.headers)
        r.setRawHeader(name, value);
    return r;
}

// Until the answer begins, the answer time-out runs, restarted by every part of the request that
// goes out; then the stall time, restarted by every arrival. A body announced or grown past the
// bound is refused at once, and an answer still incomplete at the transfer limit, however it
// trickles, is given up. Each ends the transfer by aborting it. The watch dies with the reply.
void watch(QNetworkReply& reply, Base::Scheduler& scheduler, const ServiceRequest& request,
           const Pending& pending) {
    auto* timer = new QTimer(&reply);
    timer->setSingleShot(true);
    const qint64 bound = request.maxBodyBytes;
    const double limit = transferLimit(request);
    const auto end = [weak = std::weak_ptr(pending), bound, limit](Ending ending) {
        const auto p = weak.lock();
        if (!p || !p->reply || p->ending != Ending::none)
            return;
        p->ending = ending;
        if (ending == Ending::oversize)
            log().error("answer refused: over %{public}lld bytes", bound);
        if (ending == Ending::tooLong)
            log().error("answer given up: not complete after %{public}.0f s", limit);
        p->reply->abort();
    };
    pending->limit = scheduler.after(limit, [end] { end(Ending::tooLong); });
    QObject::connect(timer, &QTimer::timeout, &reply, [&reply, end] {
        end(statusOf(reply) ? Ending::stalled : Ending::unanswered);
    });
    QObject::connect(&reply, &QNetworkReply::uploadProgress, timer, [&reply, timer] {
        if (!statusOf(reply))
            timer->start();
    });
    QObject::connect(&reply, &QNetworkReply::metaDataChanged, timer,
                     [&reply, timer, end, bound, stall = request.timeouts.bodyStallMilliseconds] {
                         const QVariant length = reply.header(QNetworkRequest::ContentLengthHeader);
                         if (length.isValid() && length.toLongLong() > bound)
                             return end(Ending::oversize);
                         timer->start(stall);
                     });
    QObject::connect(&reply, &QNetworkReply::downloadProgress, timer,
                     [timer, end, bound](qint64 received, qint64 total) {
                         if (received > bound || total > bound)
                             return end(Ending::oversize);
                         timer->start();
                     });
    QObject::connect(&reply, &QNetworkReply::finished, timer,
                     [timer, weak = std::weak_ptr(pending)] {
                         timer->stop();
                         if (const auto p = weak.lock())
                             p->limit.cancel();
                     });
    timer->start(request.timeouts.answerMilliseconds);
}

void start(QNetworkAccessManager& session, Base::Scheduler& scheduler,
           const ServiceRequest& request, const QString& key, const Pending& pending) {
    const QNetworkRequest r = networkRequest(request, key);
    QNetworkReply* reply = request.method == ServiceRequest::Method::post
                               ? session.post(r, request.body)
                               : session.get(r);
    pending->reply = reply;
    watch(*reply, scheduler, request, pending);
    QObject::connect(reply, &QNetworkReply::finished, reply, [pending, reply] {
        reply->deleteLater();
        if (!pending->cancel.stop_requested())
            deliver(pending, outcome(*reply, pending->ending));
    });
    pending->abortOnStop.emplace(pending->cancel, [weak = std::weak_ptr(pending)] {
        onMainThread([weak] {
            if (const auto p = weak.lock(); p && p->reply)
                p->reply->abort();
        });
    });
}

} // namespace

double transferLimit(const ServiceRequest& request) {
    const ServiceTimeouts& timeouts = request.timeouts;
    return timeouts.answerMilliseconds / 1000.0 +
           double(request.maxBodyBytes) /
               double(std::max<qint64>(timeouts.slowestBytesPerSecond, 1));
}

void send(QNetworkAccessManager& session, Base::Scheduler& scheduler, const Endpoint& endpoint,
          ServiceRequest request, std::function<void(TransferResult)> completion,
          std::stop_token cancel) {
    auto pending = std::make_shared<PendingTransfer>(std::move(completion), std::move(cancel));
    if (!request.url.isValid() || request.url.isRelative()) {
        fail(pending, Core::TTSError::providerFault(-1, QStringLiteral("invalid request address")));
        return;
    }
    endpoint.credential([pending, session = &session, scheduler = &scheduler,
                         request = std::move(request)](Endpoint::KeyResult key) {
        onMainThread([pending, session, scheduler, request, key = std::move(key)] {
            if (pending->cancel.stop_requested())
                return;
            if (!key)
                fail(pending, key.error());
            else if (!isSendableKey(*key))
                fail(pending, Core::TTSError::unauthorized());
            else
                start(*session, *scheduler, request, *key, pending);
        });
    });
}

} // namespace ServiceTransfer

} // namespace TTS
