#pragma once

#include <QObject>

#include <functional>

namespace Parlino {

class LoginItem;
class RecordingsExport;

class CacheStore;

// The synthesised-audio cache as the general settings see it: measuring its size and emptying
// it, each done off the main thread and answered on it through `receiver`, unless it is gone.
struct CacheAccess {
    std::function<void(QObject& receiver, std::function<void(qint64)> done)> measure;
    std::function<void(QObject& receiver, std::function<void()> done)> clear;

    static CacheAccess of(CacheStore& store);
};

// What the general settings show and do: start at login, the recordings export, the cache's
// size and clearing, and the tutorial. File work runs off the main thread and its results come
// back to it; a result that arrives after the model is gone is dropped. Main thread.
class GeneralPaneModel final : public QObject {
    Q_OBJECT

public:
    GeneralPaneModel(LoginItem& loginItem, RecordingsExport& recordings, CacheAccess cache,
                     std::function<void()> onShowOnboarding, QObject* parent = nullptr);

    // What the desktop said when the model was made, or after the last change asked of it.
    bool launchAtLogin() const { return m_launchAtLogin; }
    // Asks the desktop, then shows what it reports now: a refused change does not stick.
    void setLaunchAtLogin(bool on);

    bool isPreparingRecordings() const;
    QString recordingsButtonTitle() const;
    // Exports the clips and opens the Recordings folder; nothing while an export runs.
    void openRecordings();

    // 0 until the first measurement arrives.
    qint64 cacheBytes() const { return m_cacheBytes; }
    QString cacheButtonTitle() const;
    bool canClearCache() const { return m_cacheBytes >= 1; }
    // Measures the cache; when several measurements overlap, the last one started counts.
    void measureCache();
    // Empties the cache, then measures it again.
    void clearCache();

    // Calls the callback the pane was given, if any.
    void showTutorial();

signals:
    void launchAtLoginChanged();
    void isPreparingRecordingsChanged();
    void cacheBytesChanged();

private:
    void setLaunchAtLoginShown(bool on);
    void setCacheBytes(qint64 bytes);

    LoginItem& m_loginItem;
    RecordingsExport& m_recordings;
    CacheAccess m_cache;
    std::function<void()> m_onShowOnboarding;
    bool m_launchAtLogin;
    qint64 m_cacheBytes = 0;
    quint64 m_measurement = 0;
};

} // namespace Parlino
