#include "TTS/ParlinoURLSession.h"

#include "Base/MainThread.h"
#include "TTS/ServiceTransfer.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>

#include <cassert>
#include <utility>

namespace TTS::ParlinoURLSession {

namespace {

QNetworkAccessManager* session = nullptr;

// The session's transfers run on a thread of Qt's own; it is stopped while the application
// object is still whole, as the first step of the application's teardown.
void destroySession() {
    delete std::exchange(session, nullptr);
}

} // namespace

QNetworkAccessManager& shared() {
    assert(Base::MainThread::isCurrent());
    if (!session) {
        session = new QNetworkAccessManager;
        session->setRedirectPolicy(QNetworkRequest::SameOriginRedirectPolicy);
        session->setTransferTimeout(ServiceTransfer::timeoutMilliseconds);
        qAddPostRoutine(destroySession);
    }
    return *session;
}

} // namespace TTS::ParlinoURLSession
