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

void PlayerViewModel::setTimingWords(const QList<Core::WordTiming>& words) {
    const qsizetype held = m_timingWords.size();
    // A read's words grow while it is synthesised: only the new ones are copied, so that the
    // list given stays the giver's alone, and so does this one, and neither is copied whole
    // when the other grows. The words of one read before the last held one are the same when
    // that one is.
    if (held > 0 && words.size() > held && words[held - 1] == m_timingWords.last())
        m_timingWords.append(words.sliced(held));
    else if (words == m_timingWords)
        return;
    else
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
