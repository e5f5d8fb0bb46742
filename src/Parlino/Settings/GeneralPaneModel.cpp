#include "Parlino/Settings/GeneralPaneModel.h"

#include "Parlino/Settings/LoginItem.h"
#include "Parlino/Settings/RecordingsExport.h"
#include "Parlino/Storage/CacheStore.h"

namespace Parlino {

CacheAccess CacheAccess::of(CacheStore& store) {
    return {[&store](QObject& receiver, std::function<void(qint64)> done) {
                store.totalBytes(receiver, std::move(done));
            },
            [&store](QObject& receiver, std::function<void()> done) {
                store.clear(receiver, std::move(done));
            }};
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
    m_cache.measure(*this, [this, measurement](qint64 bytes) {
        if (measurement == m_measurement)
            setCacheBytes(bytes);
    });
}

void GeneralPaneModel::clearCache() {
    m_cache.clear(*this, [this] { measureCache(); });
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
