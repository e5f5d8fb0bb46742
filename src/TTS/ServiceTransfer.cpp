#include "TTS/ServiceTransfer.h"

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

struct PendingTransfer {
    PendingTransfer(Completion completion, std::stop_token cancel)
        : completion(std::move(completion)), cancel(std::move(cancel)) {}

    Completion completion;
    std::stop_token cancel;
    QPointer<QNetworkReply> reply;
    bool stalled = false;
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

// An answer with an HTTP status is an answer, whatever error Qt attaches to it (it reports
// 4xx and 5xx statuses as errors too), unless its transfer broke off or stalled: then its body
// is incomplete and the transfer failed.
TransferResult outcome(QNetworkReply& reply, bool stalled) {
    if (stalled)
        return Base::failure(
            TransferFailure{Core::TTSError::network(QStringLiteral("The answer stopped arriving")),
                            int(QNetworkReply::TimeoutError)});
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && !isBrokenTransfer(reply.error()))
        return ServiceResponse{status.toInt(), reply.readAll(), reply.rawHeaderPairs()};
    if (reply.error() != QNetworkReply::NoError)
        return Base::failure(
            TransferFailure{Core::TTSError::network(reply.errorString()), int(reply.error())});
    return ServiceResponse{std::nullopt, reply.readAll(), reply.rawHeaderPairs()};
}

QNetworkRequest networkRequest(const ServiceRequest& request, const QString& key) {
    QNetworkRequest r(request.url);
    r.setTransferTimeout(timeoutMilliseconds);
    r.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                   QNetworkRequest::SameOriginRedirectPolicy);
    r.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    r.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    r.setRawHeader("xi-api-key", key.toLatin1());
    for (const auto& [name, value] : request.headers)
        r.setRawHeader(name, value);
    return r;
}

// Once the answer has begun, every arrival restarts the watch; when it runs out the transfer is
// aborted as stalled. The watch dies with the reply.
void watchForStall(QNetworkReply& reply, int milliseconds, const Pending& pending) {
    auto* watch = new QTimer(&reply);
    watch->setSingleShot(true);
    watch->setInterval(milliseconds);
    QObject::connect(watch, &QTimer::timeout, &reply, [&reply, weak = std::weak_ptr(pending)] {
        if (const auto p = weak.lock())
            p->stalled = true;
        reply.abort();
    });
    const auto restart = [watch] { watch->start(); };
    QObject::connect(&reply, &QNetworkReply::metaDataChanged, watch, restart);
    QObject::connect(&reply, &QNetworkReply::downloadProgress, watch, restart);
    QObject::connect(&reply, &QNetworkReply::finished, watch, &QTimer::stop);
}

void start(QNetworkAccessManager& session, const ServiceRequest& request, const QString& key,
           const Pending& pending) {
    const QNetworkRequest r = networkRequest(request, key);
    QNetworkReply* reply = request.method == ServiceRequest::Method::post
                               ? session.post(r, request.body)
                               : session.get(r);
    pending->reply = reply;
    watchForStall(*reply, request.bodyStallMilliseconds, pending);
    QObject::connect(reply, &QNetworkReply::finished, reply, [pending, reply] {
        reply->deleteLater();
        if (!pending->cancel.stop_requested())
            deliver(pending, outcome(*reply, pending->stalled));
    });
    pending->abortOnStop.emplace(pending->cancel, [weak = std::weak_ptr(pending)] {
        onMainThread([weak] {
            if (const auto p = weak.lock(); p && p->reply)
                p->reply->abort();
        });
    });
}

} // namespace

void send(QNetworkAccessManager& session, const Endpoint& endpoint, ServiceRequest request,
          std::function<void(TransferResult)> completion, std::stop_token cancel) {
    auto pending = std::make_shared<PendingTransfer>(std::move(completion), std::move(cancel));
    if (!request.url.isValid() || request.url.isRelative()) {
        fail(pending, Core::TTSError::providerFault(-1, QStringLiteral("invalid request address")));
        return;
    }
    endpoint.credential(
        [pending, session = &session, request = std::move(request)](Endpoint::KeyResult key) {
            onMainThread([pending, session, request, key = std::move(key)] {
                if (pending->cancel.stop_requested())
                    return;
                if (!key)
                    fail(pending, key.error());
                else if (!isSendableKey(*key))
                    fail(pending, Core::TTSError::unauthorized());
                else
                    start(*session, request, *key, pending);
            });
        });
}

} // namespace ServiceTransfer

} // namespace TTS
