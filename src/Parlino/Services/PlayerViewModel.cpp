#include "Parlino/Services/PlayerViewModel.h"

namespace Parlino {

PlayerViewModel::PlayerViewModel(QObject* parent) : QObject(parent) {}

void PlayerViewModel::setPhase(Phase phase) {
    const bool changed = phase != m_phase;
    m_phase = std::move(phase);
    if (changed) {
        emit phaseChanged();
        if (onPhaseChange)
            onPhaseChange(m_phase);
    }
    if (m_phase.kind() == Phase::Kind::hidden)
        setContentMode(PanelContentMode::reading);
}

void PlayerViewModel::setText(const QString& text) {
    const bool changed = text != m_text;
    m_text = text;
    ++m_textEpoch;
    if (changed)
        emit textChanged();
    emit textEpochChanged();
}

void PlayerViewModel::setCurrentWordIndex(std::optional<qsizetype> index) {
    if (index == m_currentWordIndex)
        return;
    m_currentWordIndex = index;
    emit currentWordIndexChanged();
}

void PlayerViewModel::setTimingWords(const Core::TimedWords& words) {
    // A read's words grow while it is synthesised; the copy shares them with the giver's.
    if (words == m_timingWords)
        return;
    m_timingWords = words;
    emit timingWordsChanged();
}

void PlayerViewModel::setContentMode(PanelContentMode mode) {
    if (mode == m_contentMode)
        return;
    m_contentMode = mode;
    emit contentModeChanged();
    if (onContentModeChange)
        onContentModeChange(mode);
}

void PlayerViewModel::togglePage(PanelContentMode page) {
    setContentMode(m_contentMode == page ? PanelContentMode::reading : page);
}

void PlayerViewModel::setSaveFailure(const std::optional<QString>& message) {
    if (message == m_saveFailure)
        return;
    m_saveFailure = message;
    emit saveFailureChanged();
}

void PlayerViewModel::setPinned(bool pinned) {
    if (pinned == m_isPinned)
        return;
    m_isPinned = pinned;
    emit isPinnedChanged();
    if (onPinChange)
        onPinChange(pinned);
}

void PlayerViewModel::beginListening() {
    setPhase(Phase::listening());
    setText({});
    setCurrentWordIndex(std::nullopt);
    setContentMode(PanelContentMode::reading);
    setPinned(false);
}

void PlayerViewModel::hide() {
    const bool wasHidden = m_phase.kind() == Phase::Kind::hidden;
    setText({});
    setCurrentWordIndex(std::nullopt);
    setTimingWords({});
    setPhase(Phase::hidden());
    if (wasHidden && onPhaseChange)
        onPhaseChange(m_phase);
}

} // namespace Parlino
