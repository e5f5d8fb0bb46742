#include "Parlino/Services/KeyringStallWatch.h"

#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Services/KeyringState.h"
#include "Parlino/Services/WarningModel.h"

namespace Parlino {

namespace {

using Phase = PlayerViewModel::Phase;

bool isStallOnKey(const Phase& phase) {
    const auto& error = phase.ttsError();
    return phase.kind() == Phase::Kind::stalled && error &&
           (error->kind() == Core::TTSError::Kind::noKey || keyringStateOf(*error));
}

// The stall as the key store answers now: the cause that holds, or the one shown, gone.
Phase stallNow(const Phase& shown, const KeychainReadResult& result) {
    if (result.kind() == KeychainReadResult::Kind::found)
        return Phase::stalled(*shown.ttsError(), true);
    return Phase::stalled(keyReadError(result));
}

} // namespace

KeyringStallWatch::KeyringStallWatch(PlayerViewModel& model, SecretStore& store,
                                     Base::NotificationCenter& notifications)
    : m_model(model), m_store(store),
      m_phaseChanged(
          QObject::connect(&model, &PlayerViewModel::phaseChanged, [this] { phaseChanged(); })),
      m_keyChanged(notifications.addObserver(apiKeyChanged, [this](const Base::Notification&) {
          if (m_following)
              readKey();
      })) {}

KeyringStallWatch::~KeyringStallWatch() {
    QObject::disconnect(m_phaseChanged);
    if (m_following)
        m_following->request_stop();
}

void KeyringStallWatch::phaseChanged() {
    if (isStallOnKey(m_model.phase())) {
        // A stall of the watch's own telling is followed already.
        if (!m_following) {
            m_following.emplace();
            readKey();
        }
        return;
    }
    if (m_following) {
        m_following->request_stop();
        m_following.reset();
    }
}

void KeyringStallWatch::readKey() {
    const quint64 token = ++m_readToken;
    const std::stop_token following = m_following->get_token();
    m_store.read(
        apiKeyAccount,
        [this, token, following](const KeychainReadResult& result) {
            if (token != m_readToken)
                return;
            const Phase now = stallNow(m_model.phase(), result);
            if (now != m_model.phase())
                m_model.setPhase(now);
            m_store.whenAnsweringAgain([this] { readKey(); }, following);
        },
        following);
}

} // namespace Parlino
