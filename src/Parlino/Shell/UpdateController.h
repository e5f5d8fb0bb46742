#pragma once

#include "Base/Date.h"
#include "Base/PropertyValue.h"
#include "Base/Scheduler.h"
#include "Parlino/Shell/UpdatePresenter.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace Parlino {

struct SettingsKeys;

// Checks the signed update feed (UpdateFeed.h) and offers a newer release through its presenter.
// It starts only when the build-time information carries a usable "SUPublicEDKey"; the decision
// is taken once, at construction. Started, it checks once a day while the setting
// `automaticallyChecksForUpdates` is on, and whenever the user asks. Main thread only.
class UpdateController {
public:
    struct Dependencies {
        QNetworkAccessManager& network;
        Base::Scheduler& scheduler;
        std::function<Base::Date()> now;
        const SettingsKeys& keys;
        std::unique_ptr<UpdatePresenter> presenter;
    };

    static constexpr double checkInterval = 24 * 60 * 60;
    // A feed larger than this is refused while it downloads.
    static constexpr qint64 maximumFeedBytes = 1 << 20;

    // The application's own: its build information, network session, timers, settings and
    // message boxes.
    UpdateController();
    UpdateController(const Base::PropertyValue::Dictionary& information, Dependencies dependencies);
    ~UpdateController();
    UpdateController(const UpdateController&) = delete;
    UpdateController& operator=(const UpdateController&) = delete;

    // The key test: true when "SUPublicEDKey" is a string without "PLACEHOLDER" that is strict
    // Base64 of exactly 32 bytes.
    static bool isUpdaterConfigured();
    static bool isUpdaterConfigured(const Base::PropertyValue::Dictionary& information);

    // True when updating started; the "Check for Updates…" menu item exists exactly then.
    bool canCheckForUpdates() const { return m_publicKey.has_value(); }

    // A check the user asked for; it replaces a check in flight. Ignored when not started.
    void checkForUpdates();

private:
    enum class Origin { user, schedule };

    void scheduleAutomaticCheck(double delay);
    void automaticCheckDue();
    void check(Origin origin);
    void finish(QNetworkReply* reply, Origin origin);
    // Offers the feed's release when it is signed and newer than the running version.
    void compare(const QByteArray& feed, Origin origin);
    void fail(Origin origin, const QString& reason);
    void abandonCheckInFlight();

    Dependencies m_dependencies;
    std::optional<QByteArray> m_publicKey; // set exactly when started
    QUrl m_feedURL;
    QString m_currentVersion;
    QPointer<QNetworkReply> m_reply;
    Base::ScheduledTask m_nextAutomaticCheck;
};

} // namespace Parlino
