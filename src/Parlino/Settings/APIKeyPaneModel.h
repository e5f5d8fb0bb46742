#pragma once

#include "Base/NotificationCenter.h"
#include "Base/Worker.h"
#include "Parlino/Services/KeyringState.h"
#include "Parlino/Services/SecretStore.h"
#include "Parlino/Services/StoredKeyWatch.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>
#include <stop_token>

class QNetworkAccessManager;

namespace Parlino {

// The API key pane: has the service check a typed key, stores it when the service accepts it,
// and removes a stored key; each save and removal posts the key-changed notification. A key is
// checked once: pressing "Validate & Save" again while the same key is being checked does
// nothing. A press for another key, or "Remove Key", starts a new generation, and a check that
// finishes after a newer one started changes nothing. While the pane shows, it follows the key
// store: read again each time the store may answer otherwise, so a key saved, removed, locked or
// unlocked elsewhere shows as it is. What keeps a saved key from being read (KeyringState) is
// named as such; that never replaces what the user's own save or removal said, except that the
// desktop's prompt to unlock the keyring for a save is always named while it is up. A save or
// removal the keyring did not answer shows what it left once it does. A save counts only once the
// keyring holds the key saved: until then, or after it failed, a key found is no saved key; the
// key typed stays in the field, and a failed save is told as not done once the keyring shows
// another key. Main thread only.
class APIKeyPaneModel : public QObject {
    Q_OBJECT

public:
    // `reading` until the key store, first read by refresh(), has said whether a key is saved.
    enum class Layout { reading, entry, saved };

    static inline const QString keyringRefusedStatus =
        QStringLiteral("The keyring didn't save the key — please try Save again.");
    static inline const QString keyringNotMadeStatus =
        QStringLiteral("No keyring was made, so the key isn't saved — save again and choose a "
                       "password for the new keyring when your desktop asks.");
    static inline const QString keyringStayedLockedStatus =
        QStringLiteral("The keyring stayed locked, so the key isn't saved — save again and unlock "
                       "it when your desktop asks.");
    static inline const QString noKeyringStatus =
        QStringLiteral("Your desktop couldn't make a keyring — make a default one in its passwords "
                       "app, then save again.");
    static inline const QString troubleStatus = QStringLiteral(
        "ElevenLabs is having trouble right now — please try Save again in a moment.");

    APIKeyPaneModel(SecretStore& store, QUrl serviceBaseURL, QNetworkAccessManager& session,
                    Base::NotificationCenter& notifications, QObject* parent = nullptr);
    ~APIKeyPaneModel() override;

    Layout layout() const { return m_layout; }
    const QString& keyInput() const { return m_keyInput; }
    void setKeyInput(const QString& text);
    // One line of feedback; empty for none.
    const QString& status() const { return m_status; }
    qint64 generation() const { return m_generation; }

    // Starts the pane afresh: an empty field and status.
    void startAfresh();
    // Reads the key store now and follows it until stopFollowing(), keeping what is typed; a
    // status that spoke of the other layout goes when the layout changes. The pane follows while
    // it is shown.
    void follow();
    void stopFollowing();
    // Checks the trimmed field with the service and stores the key when it is accepted; nothing
    // while that key is being checked already.
    void validateAndSave();
    // Whether a key is being checked or stored.
    bool isChecking() const { return m_keyBeingSaved.has_value(); }
    // Whether the key typed in the field is being checked or stored already.
    bool isSavingKeyInput() const;
    void removeKey();

signals:
    void layoutChanged();
    void keyInputChanged();
    void statusChanged();
    // isChecking() or the key being checked changed.
    void checkingChanged();

private:
    void keySeen(const KeychainReadResult& result);
    // Follows the store while the pane shows, or while what the keyring left unanswered is
    // unknown.
    void updateFollowing();
    void store(qint64 generation, const QString& key, const QString& status);
    void storeFailed(qint32 status);
    void setLayout(Layout layout);
    void setStatus(const QString& status);
    void setKeyBeingSaved(std::optional<QString> key);
    // Says what keeps the key from being read, or takes back what was said of it; a status of
    // the user's own doing stays.
    void showKeyringState(std::optional<KeyringState> state);
    void tellKeyringState(KeyringState state);

    SecretStore& m_store;
    const QUrl m_serviceBaseURL;
    QNetworkAccessManager& m_session;
    Base::NotificationCenter& m_notifications;
    Layout m_layout = Layout::reading;
    QString m_keyInput;
    QString m_status;
    bool m_statusTellsState = false; // the status is a keyring state's, not the user's doing
    qint64 m_generation = 0;
    std::optional<QString> m_keyBeingSaved; // of the current generation
    enum class Change { none, save, removal };
    Change m_unconfirmed = Change::none; // what the keyring left unanswered
    // The key of the user's save, from the press until the keyring is seen holding it: no other
    // key shows as saved meanwhile. Forgotten when the service refuses the key, the key is
    // removed, or the pane starts afresh with no save on its way.
    std::optional<QString> m_keyToSave;
    bool m_shown = false;
    std::stop_source m_lifetime;
    StoredKeyWatch m_key;
    Base::Worker m_answers; // reads the service's answers; declared last: joined first
};

} // namespace Parlino
