#include "Parlino/Settings/GeneralPaneModel.h"

#include "Base/MainThread.h"
#include "Parlino/Settings/LoginItem.h"
#include "Parlino/Settings/RecordingsExport.h"
#include "Parlino/Storage/CacheStore.h"

#include <QPointer>
#include <QThreadPool>

namespace Parlino {

namespace {

// Runs `work` on a worker thread and hands its result to `done` on the main thread.
template <class Work, class Done> void inBackground(Work work, Done done) {
    QThreadPool::globalInstance()->start(
        [work = std::move(work), done = std::move(done)]() mutable {
            Base::MainThread::post(
                [done = std::move(done), result = work()]() mutable { done(std::move(result)); });
        });
}

} // namespace

CacheAccess CacheAccess::of(std::filesystem::path root) {
    return {[root] { return CacheStore::totalBytes(root); }, [root] { CacheStore::clear(root); }};
}

GeneralPaneModel::GeneralPaneModel(LoginItem& loginItem, RecordingsExport& recordings,
                                   CacheAccess cache, std::function<void()> onShowOnboarding,
                                   QObject* parent)
    : QObject(parent), m_loginItem(loginItem), m_recordings(recordings), m_cache(std::move(cache)),
      m_onShowOnboarding(std::move(onShowOnboarding)), m_launchAtLogin(loginItem.isEnabled()) {
    connect(&recordings, &RecordingsExport::isRunningChanged, this,
            &GeneralPaneModel::isPreparingRecordingsChanged);
}

void GeneralPaneModel::setLaunchAtLogin(bool on) {
    // A refusal is not reported; what the desktop reports afterwards is what the switch shows.
    m_loginItem.setEnabled(on);
    setLaunchAtLoginShown(m_loginItem.isEnabled());
}

void GeneralPaneModel::setLaunchAtLoginShown(bool on) {
    if (on == m_launchAtLogin)
        return;
    m_launchAtLogin = on;
    emit launchAtLoginChanged();
}

bool GeneralPaneModel::isPreparingRecordings() const {
    return m_recordings.isRunning();
}

QString GeneralPaneModel::recordingsButtonTitle() const {
    return isPreparingRecordings() ? QStringLiteral("Preparing…")
                                   : QStringLiteral("Open Recordings in File Manager");
}

void GeneralPaneModel::openRecordings() {
    m_recordings.start();
}

QString GeneralPaneModel::cacheButtonTitle() const {
    return CacheStore::clearButtonTitle(m_cacheBytes);
}

void GeneralPaneModel::measureCache() {
    const quint64 measurement = ++m_measurement;
    inBackground(m_cache.measure, [self = QPointer(this), measurement](qint64 bytes) {
        if (self && measurement == self->m_measurement)
            self->setCacheBytes(bytes);
    });
}

void GeneralPaneModel::clearCache() {
    inBackground(
        [clear = m_cache.clear] {
            clear();
            return true;
        },
        [self = QPointer(this)](bool) {
            if (self)
                self->measureCache();
        });
}

void GeneralPaneModel::setCacheBytes(qint64 bytes) {
    if (bytes == m_cacheBytes)
        return;
    m_cacheBytes = bytes;
    emit cacheBytesChanged();
}

void GeneralPaneModel::showTutorial() {
    if (m_onShowOnboarding)
        m_onShowOnboarding();
}

} // namespace Parlino
