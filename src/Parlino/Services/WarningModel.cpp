#include "Parlino/Services/WarningModel.h"

#include <algorithm>

namespace Parlino {

namespace {

// Stores `value` and emits `changed` only when it differs from what was there.
template <class T, class Signal>
void update(WarningModel* model, T& field, const T& value, Signal changed) {
    if (field == value)
        return;
    field = value;
    emit(model->*changed)();
}

} // namespace

WarningModel::WarningModel(QObject* parent) : QObject(parent) {}

void WarningModel::setCurrent(const ActiveWarning& warning) {
    update(this, m_current, warning, &WarningModel::currentChanged);
}

void WarningModel::setDismissedThisSession(bool dismissed) {
    update(this, m_dismissedThisSession, dismissed, &WarningModel::dismissedThisSessionChanged);
}

void WarningModel::setKeyPresence(KeyPresence presence) {
    update(this, m_keyPresence, presence, &WarningModel::keyPresenceChanged);
    setCharactersRemaining(std::nullopt);
    setNetworkFailed(false);
    recompute();
}

void WarningModel::setCharactersRemaining(std::optional<qint64> characters) {
    update(this, m_charactersRemaining, characters, &WarningModel::charactersRemainingChanged);
}

void WarningModel::setNetworkFailed(bool failed) {
    update(this, m_networkFailed, failed, &WarningModel::networkFailedChanged);
}

void WarningModel::recompute() {
    setCurrent(derived());
}

ActiveWarning WarningModel::derived() const {
    if (m_dismissedThisSession)
        return ActiveWarning::none();
    switch (m_keyPresence) {
    case KeyPresence::locked:
    case KeyPresence::unknown:
        return ActiveWarning::none();
    case KeyPresence::absent:
        return m_networkFailed ? ActiveWarning::none() : ActiveWarning::noKey();
    case KeyPresence::present:
        break;
    }
    if (m_charactersRemaining && *m_charactersRemaining <= usageLowThreshold)
        return ActiveWarning::usageLow(std::max<qint64>(*m_charactersRemaining, 0));
    return ActiveWarning::none();
}

} // namespace Parlino
