#include "Parlino/Shell/UpdateController.h"

#include "Base/Base64.h"
#include "Base/Log.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Shell/BuildInformation.h"
#include "TTS/ParlinoURLSession.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <algorithm>
#include <cmath>

namespace Parlino {

namespace {

const Base::Log log("updates");

constexpr qsizetype publicKeyBytes = 32; // an Ed25519 public key

const QString feedTooLarge = QStringLiteral("the feed is too large");

// The build carries no key at all: the default, not a fault.
bool carriesNoKey(const Base::PropertyValue::Dictionary& information) {
    const auto entry = information.find(BuildInformation::updatePublicKeyKey);
    if (entry == information.end())
        return true;
    const QString* text = entry->as<QString>();
    return text && text->contains(QStringLiteral("PLACEHOLDER"));
}

std::optional<QByteArray> usablePublicKey(const Base::PropertyValue::Dictionary& information) {
    const auto entry = information.find(BuildInformation::updatePublicKeyKey);
    if (entry == information.end())
        return std::nullopt;
    const QString* text = entry->as<QString>();
    if (!text || text->contains(QStringLiteral("PLACEHOLDER")))
        return std::nullopt;
    auto key = Base::Base64::decodeStrict(text->toUtf8());
    if (!key || key->size() != publicKeyBytes)
        return std::nullopt;
    return key;
}

// Seconds until the next automatic check is due, from the start of the last one.
double delayUntilDue(std::optional<Base::Date> lastCheck, Base::Date now) {
    if (!lastCheck)
        return 0;
    const double remaining = lastCheck->secondsSinceReferenceDate +
                             UpdateController::checkInterval - now.secondsSinceReferenceDate;
    // A clock set back (or a damaged date) must not postpone checks beyond one interval.
    return std::isfinite(remaining) ? std::clamp(remaining, 0.0, UpdateController::checkInterval)
                                    : 0.0;
}

} // namespace

UpdateController::UpdateController()
    : UpdateController(BuildInformation::dictionary(),
                       {TTS::ParlinoURLSession::shared(), Base::QtScheduler::shared(),
                        &Base::Date::now, SettingsKeys::shared(),
                        std::make_unique<MessageBoxUpdatePresenter>()}) {}

UpdateController::UpdateController(const Base::PropertyValue::Dictionary& information,
                                   Dependencies dependencies)
    : m_dependencies(std::move(dependencies)), m_publicKey(usablePublicKey(information)),
      m_feedURL(BuildInformation::string(information, BuildInformation::updateFeedURLKey)),
      m_currentVersion(
          BuildInformation::string(information, BuildInformation::applicationVersionKey)) {
    if (!m_publicKey) {
        if (carriesNoKey(information))
            log.notice("update check off: this build has no update key — see docs/dev/updates.md");
        else
            log.error("update check off: the build's update key is not strict Base64 of a 32-byte "
                      "Ed25519 public key — see docs/dev/updates.md");
        return;
    }
    const SettingsKeys& keys = m_dependencies.keys;
    log.notice("updater started (automatic=%{bool,public}d)",
               Defaults::get(keys.automaticallyChecksForUpdates));
    scheduleAutomaticCheck(
        delayUntilDue(Defaults::get(keys.lastUpdateCheckDate), m_dependencies.now()));
}

UpdateController::~UpdateController() {
    abandonCheckInFlight();
}

bool UpdateController::isUpdaterConfigured() {
    return isUpdaterConfigured(BuildInformation::dictionary());
}

bool UpdateController::isUpdaterConfigured(const Base::PropertyValue::Dictionary& information) {
    return usablePublicKey(information).has_value();
}

void UpdateController::checkForUpdates() {
    if (!m_publicKey) {
        log.error("manual update check ignored: updater not configured");
        return;
    }
    log.notice("manual update check requested");
    check(Origin::user);
}

void UpdateController::scheduleAutomaticCheck(double delay) {
    m_nextAutomaticCheck = m_dependencies.scheduler.after(delay, [this] { automaticCheckDue(); });
}

// The setting is read when a check falls due, so switching it takes effect without a restart.
void UpdateController::automaticCheckDue() {
    if (Defaults::get(m_dependencies.keys.automaticallyChecksForUpdates) && !m_reply) {
        log.notice("automatic update check due");
        check(Origin::schedule);
    }
    scheduleAutomaticCheck(checkInterval);
}

void UpdateController::check(Origin origin) {
    abandonCheckInFlight();
    Defaults::set(m_dependencies.keys.lastUpdateCheckDate, m_dependencies.now());
    const QString scheme = m_feedURL.scheme();
    if (!m_feedURL.isValid() || (scheme != u"https" && scheme != u"http")) {
        fail(origin, QStringLiteral("no usable feed address"));
        return;
    }
    QNetworkReply* reply = m_dependencies.network.get(QNetworkRequest(m_feedURL));
    m_reply = reply;
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [this, origin](qint64 received) {
                         if (received > maximumFeedBytes) {
                             abandonCheckInFlight();
                             fail(origin, feedTooLarge);
                         }
                     });
    QObject::connect(reply, &QNetworkReply::finished, reply,
                     [this, reply, origin] { finish(reply, origin); });
}

void UpdateController::finish(QNetworkReply* reply, Origin origin) {
    m_reply = nullptr;
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status != 200) {
        fail(origin, QStringLiteral("the feed could not be fetched (status %1, %2)")
                         .arg(status)
                         .arg(reply->errorString()));
        return;
    }
    const QByteArray feed = reply->read(maximumFeedBytes + 1);
    if (feed.size() > maximumFeedBytes) {
        fail(origin, feedTooLarge);
        return;
    }
    compare(feed, origin);
}

void UpdateController::compare(const QByteArray& feed, Origin origin) {
    const auto release = UpdateFeed::open(feed, *m_publicKey);
    if (!release) {
        fail(origin, release.error().message);
        return;
    }
    const auto order = UpdateFeed::compareVersions(release->version, m_currentVersion);
    if (!order) {
        fail(origin,
             QStringLiteral("the running version \"%1\" is not comparable").arg(m_currentVersion));
        return;
    }
    if (*order > 0) {
        log.notice("update available: %{public}s (running %{public}s)", release->version,
                   m_currentVersion);
        m_dependencies.presenter->presentUpdate(*release, m_currentVersion);
        return;
    }
    log.notice("up to date: the feed offers %{public}s (running %{public}s)", release->version,
               m_currentVersion);
    if (origin == Origin::user)
        m_dependencies.presenter->presentUpToDate(m_currentVersion);
}

void UpdateController::fail(Origin origin, const QString& reason) {
    log.error("update check failed: %{public}s", reason);
    if (origin == Origin::user)
        m_dependencies.presenter->presentCheckFailed();
}

void UpdateController::abandonCheckInFlight() {
    if (QNetworkReply* reply = m_reply.data()) {
        m_reply = nullptr;
        reply->disconnect();
        reply->abort();
        reply->deleteLater();
    }
}

} // namespace Parlino
