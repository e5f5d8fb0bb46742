#include "Parlino/Settings/APIKeyPaneModel.h"

#include "Parlino/Style/NumberText.h"

#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Services/WarningModel.h"
#include "TTS/ElevenLabsClient.h"

#include <QLocale>

#include <algorithm>

namespace Parlino {

namespace {

using Core::TTSError;

const QString emptyStatus = QStringLiteral("Enter a key first.");
const QString rejectedStatus =
    QStringLiteral("That key was rejected — check for typos and try again.");
const QString networkStatus =
    QStringLiteral("Couldn't reach ElevenLabs — check your connection and try Save again.");

// What a finished check means for the pane: whether the key is stored, and the status then.
struct CheckOutcome {
    bool stores;
    QString status;
};

CheckOutcome outcomeOf(const Base::Result<TTS::KeyValidation, TTSError>& result) {
    if (result) {
        if (const auto& quota = result->quota()) {
            return {true, QStringLiteral("Valid ✓ — %1 / %2 characters used this month.")
                              .arg(NumberText::isolated(NumberText::grouped(quota->used)),
                                   NumberText::isolated(NumberText::grouped(quota->limit)))};
        }
        return {true, QStringLiteral("Valid ✓ — this key can't read account usage, but "
                                     "text-to-speech will still work.")};
    }
    switch (result.error().kind()) {
    case TTSError::Kind::accountInProbation:
        return {true, QStringLiteral("Valid ✓ — ElevenLabs has your cloned voices on hold. "
                                     "Built-in voices work; ask ElevenLabs support to lift it.")};
    case TTSError::Kind::insufficientCredits:
        return {true, QStringLiteral("Valid ✓ — your ElevenLabs account is out of credits. "
                                     "Add credits or upgrade to use playback.")};
    case TTSError::Kind::unauthorized:
        return {false, rejectedStatus};
    case TTSError::Kind::network:
        return {false, networkStatus};
    case TTSError::Kind::providerFault:
    case TTSError::Kind::insufficientPermissions:
    case TTSError::Kind::entitlementExceeded:
    case TTSError::Kind::textTooLong:
    case TTSError::Kind::noKey:
    case TTSError::Kind::keyUnreadable:
    case TTSError::Kind::keyLocked:
    case TTSError::Kind::keyringUnavailable:
    case TTSError::Kind::noKeyring:
    case TTSError::Kind::keyringAwaitingUnlock:
    case TTSError::Kind::keyUnusable:
    case TTSError::Kind::audioOutputLost:
        return {false, APIKeyPaneModel::troubleStatus};
    }
    Q_UNREACHABLE();
}

// No header may carry a line break or another control character, so such a key cannot work.
bool hasControlCharacter(const QString& key) {
    return std::any_of(key.cbegin(), key.cend(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

APIKeyPaneModel::APIKeyPaneModel(SecretStore& store, QUrl serviceBaseURL,
                                 QNetworkAccessManager& session,
                                 Base::NotificationCenter& notifications, QObject* parent)
    : QObject(parent), m_store(store), m_serviceBaseURL(std::move(serviceBaseURL)),
      m_session(session), m_notifications(notifications),
      m_key(store, [this](const KeychainReadResult& result) { keySeen(result); }) {}

APIKeyPaneModel::~APIKeyPaneModel() {
    m_lifetime.request_stop();
}

void APIKeyPaneModel::setKeyInput(const QString& text) {
    if (text == m_keyInput)
        return;
    m_keyInput = text;
    emit keyInputChanged();
}

void APIKeyPaneModel::startAfresh() {
    if (!isChecking())
        m_keyToSave.reset();
    setKeyInput({});
    setStatus({});
}

void APIKeyPaneModel::follow() {
    m_shown = true;
    if (m_key.isFollowing())
        m_key.read();
    else
        m_key.follow();
}

void APIKeyPaneModel::stopFollowing() {
    m_shown = false;
    updateFollowing();
}

void APIKeyPaneModel::updateFollowing() {
    if (m_shown || m_unconfirmed != Change::none)
        m_key.follow();
    else
        m_key.stop();
}

void APIKeyPaneModel::keySeen(const KeychainReadResult& result) {
    const auto state = keyringStateOf(result);
    const bool found = result.kind() == KeychainReadResult::Kind::found;
    if (found && result.text() == m_keyToSave)
        m_keyToSave.reset();
    // Any other key than the one the user saves would pass for theirs.
    const Layout layout = found && !m_keyToSave ? Layout::saved : Layout::entry;
    // Changed outside the pane: what the status said was of the key that was there.
    if (m_layout != Layout::reading && layout != m_layout)
        setStatus({});
    // A key may well be saved in a keyring away or locked: say why none shows.
    showKeyringState(state);
    const bool mayHoldKey = state == KeyringState::away || state == KeyringState::locked ||
                            state == KeyringState::awaitingUnlock;
    if (!mayHoldKey) {
        // What a save or removal that went unanswered left behind is known now.
        const Change unconfirmed = std::exchange(m_unconfirmed, Change::none);
        if (unconfirmed != Change::none)
            m_notifications.post(apiKeyChanged);
        // So is a save that failed once another key shows in the key's place, whatever it said
        // of the keyring then.
        const bool saveFailed = unconfirmed == Change::save || (found && !isChecking());
        if (saveFailed && layout != Layout::saved)
            setStatus(keyringRefusedStatus);
    }
    setLayout(layout);
    updateFollowing();
}

void APIKeyPaneModel::validateAndSave() {
    if (isSavingKeyInput())
        return; // its answer is on the way
    const qint64 generation = ++m_generation;
    setKeyBeingSaved(std::nullopt);
    const QString key = m_keyInput.trimmed();
    if (key.isEmpty())
        return setStatus(emptyStatus);
    if (hasControlCharacter(key))
        return setStatus(rejectedStatus);
    setKeyBeingSaved(key);
    m_keyToSave = key;
    const TTS::ElevenLabsClient client(
        TTS::Endpoint{m_serviceBaseURL,
                      [key](const TTS::Endpoint::KeyHandler& handler) { handler(key); }},
        m_session, {m_answers, *this});
    client.validateKey(
        [this, generation, key](Base::Result<TTS::KeyValidation, TTSError> result) {
            if (generation != m_generation)
                return;
            const CheckOutcome outcome = outcomeOf(result);
            if (outcome.stores) {
                store(generation, key, outcome.status);
                return;
            }
            setKeyBeingSaved(std::nullopt);
            m_keyToSave.reset();
            setStatus(outcome.status);
        },
        m_lifetime.get_token());
}

void APIKeyPaneModel::store(qint64 generation, const QString& key, const QString& status) {
    m_store.write(
        apiKeyAccount, key,
        [this, generation, status](Base::Result<void, KeychainWriteError> written) {
            if (generation != m_generation)
                return;
            setKeyBeingSaved(std::nullopt);
            if (!written)
                return storeFailed(written.error().status);
            m_keyToSave.reset();
            m_key.dropRead(); // what it finds may be from before the write
            setKeyInput({});
            // Told before the layout changes, so the saved layout comes with it: a screen reader
            // says it with "API key saved" as the focus arrives there.
            setStatus(status);
            setLayout(Layout::saved);
            m_notifications.post(apiKeyChanged);
        },
        m_lifetime.get_token());
}

// The service accepted the key; the keyring did not take it. One that did not answer may take it
// yet: the pane shows what it holds once it answers, the key staying in the field meanwhile.
void APIKeyPaneModel::storeFailed(qint32 status) {
    if (KeychainStatus::isStoreAway(status)) {
        m_unconfirmed = Change::save;
        tellKeyringState(KeyringState::away);
        return updateFollowing();
    }
    setStatus(status == KeychainStatus::locked      ? keyringStayedLockedStatus
              : status == KeychainStatus::dismissed ? keyringNotMadeStatus
              : status == KeychainStatus::noKeyring ? noKeyringStatus
                                                    : keyringRefusedStatus);
}

bool APIKeyPaneModel::isSavingKeyInput() const {
    return m_keyBeingSaved == m_keyInput.trimmed();
}

void APIKeyPaneModel::removeKey() {
    ++m_generation;
    setKeyBeingSaved(std::nullopt);
    m_keyToSave.reset();
    m_key.dropRead(); // what it finds may be from before the removal
    setLayout(Layout::entry);
    setStatus({});
    setKeyInput({});
    m_store.remove(
        apiKeyAccount,
        [this](const Base::Result<void, KeychainDeleteError>& removed) {
            m_notifications.post(apiKeyChanged);
            if (!removed && KeychainStatus::isStoreAway(removed.error().status)) {
                m_unconfirmed = Change::removal;
                tellKeyringState(KeyringState::away);
                updateFollowing();
            }
            // A removal that failed leaves the key where it was; show it as saved again.
            m_key.read();
        },
        m_lifetime.get_token());
}

void APIKeyPaneModel::setLayout(Layout layout) {
    if (layout == m_layout)
        return;
    m_layout = layout;
    emit layoutChanged();
}

void APIKeyPaneModel::setStatus(const QString& status) {
    m_statusTellsState = false;
    if (status == m_status)
        return;
    m_status = status;
    emit statusChanged();
}

void APIKeyPaneModel::setKeyBeingSaved(std::optional<QString> key) {
    if (key == m_keyBeingSaved)
        return;
    m_keyBeingSaved = std::move(key);
    emit checkingChanged();
}

void APIKeyPaneModel::showKeyringState(std::optional<KeyringState> state) {
    const bool userStatus = !m_status.isEmpty() && !m_statusTellsState;
    if (userStatus && state != KeyringState::awaitingUnlock)
        return;
    if (state)
        tellKeyringState(*state);
    else
        setStatus({});
}

void APIKeyPaneModel::tellKeyringState(KeyringState state) {
    setStatus(keyringStateText(state));
    m_statusTellsState = true;
}

} // namespace Parlino
