#include "Base/MainThread.h"

#include <QCoreApplication>
#include <QThread>

namespace Base::MainThread {

void post(QObject& receiver, std::function<void()> work) {
    QMetaObject::invokeMethod(&receiver, std::move(work), Qt::QueuedConnection);
}

void post(std::function<void()> work) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
}

bool isCurrent() {
    const auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace Base::MainThread
