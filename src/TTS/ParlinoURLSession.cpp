#include "TTS/ParlinoURLSession.h"

#include "Base/MainThread.h"
#include "TTS/ServiceTransfer.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>

#include <cassert>

namespace TTS::ParlinoURLSession {

QNetworkAccessManager& shared() {
    assert(Base::MainThread::isCurrent());
    // Owned by the application object, so it goes away with it rather than after it.
    static QNetworkAccessManager* const session = [] {
        auto* manager = new QNetworkAccessManager(QCoreApplication::instance());
        manager->setRedirectPolicy(QNetworkRequest::SameOriginRedirectPolicy);
        manager->setTransferTimeout(ServiceTransfer::timeoutMilliseconds);
        return manager;
    }();
    return *session;
}

} // namespace TTS::ParlinoURLSession
