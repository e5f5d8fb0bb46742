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
    : m_model(model), m_key(store, [this](const KeychainReadResult& result) { keySeen(result); }),
      m_phaseChanged(
          QObject::connect(&model, &PlayerViewModel::phaseChanged, [this] { phaseChanged(); })),
      m_keyChanged(notifications.addObserver(apiKeyChanged, [this](const Base::Notification&) {
          if (m_key.isFollowing())
              m_key.read();
      })) {}

KeyringStallWatch::~KeyringStallWatch() {
    QObject::disconnect(m_phaseChanged);
}

void KeyringStallWatch::phaseChanged() {
    // A stall of the watch's own telling is followed already.
    if (isStallOnKey(m_model.phase()))
        m_key.follow();
    else
        m_key.stop();
}

void KeyringStallWatch::keySeen(const KeychainReadResult& result) {
    const Phase now = stallNow(m_model.phase(), result);
    if (now != m_model.phase())
        m_model.setPhase(now);
}

} // namespace Parlino
