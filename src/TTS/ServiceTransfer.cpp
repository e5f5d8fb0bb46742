#include "TTS/ServiceTransfer.h"

#include "Base/MainThread.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>

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

// An answer with an HTTP status is an answer, whatever error Qt attaches to it (it reports
// 4xx and 5xx statuses as errors too); only a transfer that produced no status failed.
TransferResult outcome(QNetworkReply& reply) {
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid())
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

void start(QNetworkAccessManager& session, const ServiceRequest& request, const QString& key,
           const Pending& pending) {
    const QNetworkRequest r = networkRequest(request, key);
    QNetworkReply* reply = request.method == ServiceRequest::Method::post
                               ? session.post(r, request.body)
                               : session.get(r);
    pending->reply = reply;
    QObject::connect(reply, &QNetworkReply::finished, reply, [pending, reply] {
        reply->deleteLater();
        if (!pending->cancel.stop_requested())
            deliver(pending, outcome(*reply));
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
