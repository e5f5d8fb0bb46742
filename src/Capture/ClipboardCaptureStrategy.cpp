#include "Capture/ClipboardCaptureStrategy.h"

#include <mutex>

namespace Capture {

namespace {
const StrategyResult nothing = std::optional<Core::SelectionCapture>();
} // namespace

ClipboardCaptureStrategy::ClipboardCaptureStrategy(
    std::shared_ptr<PrimarySelectionReading> primarySelection, std::shared_ptr<PasteboardGate> gate,
    std::shared_ptr<KeyEventPosting> keyPoster, std::shared_ptr<const TerminalDetector> terminals,
    double pollInterval, double copyTimeout, double modifierWaitTimeout,
    std::function<bool()> ownAppIsFrontmost, const Base::Clock& clock, Base::Sleeper& sleeper)
    : m_primarySelection(std::move(primarySelection)), m_gate(std::move(gate)),
      m_keyPoster(std::move(keyPoster)), m_terminals(std::move(terminals)),
      m_pollInterval(pollInterval), m_copyTimeout(copyTimeout),
      m_modifierWaitTimeout(modifierWaitTimeout), m_ownAppIsFrontmost(std::move(ownAppIsFrontmost)),
      m_clock(clock), m_sleeper(sleeper) {}

StrategyResult ClipboardCaptureStrategy::capture(const CaptureTarget& target,
                                                 std::stop_token stop) {
    // What the application offers itself needs no keystroke: the only way to read a terminal,
    // where a copy keystroke would interrupt the running program instead.
    const OfferedText offered = m_primarySelection->read(target, stop);
    if (!offered)
        return Base::failure(offered.error());
    if (*offered && !(*offered)->isEmpty())
        return std::optional(Core::SelectionCapture{**offered, target.app, std::nullopt,
                                                    Core::CapturePath::offeredSelection});
    return captureByCopy(target, stop);
}

StrategyResult ClipboardCaptureStrategy::captureByCopy(const CaptureTarget& target,
                                                       std::stop_token stop) {
    // A synthetic key press goes to whatever is in front, never to a previous application. Asked
    // last, the focused element is the one that would get the keys.
    if (!target.isFrontmost || !waitForModifierRelease(stop) || m_ownAppIsFrontmost() ||
        m_keyPoster->refusesCopy() ||
        m_terminals->classify(target) != TerminalDetector::Verdict::other)
        return nothing;

    const auto copied = m_gate->copy(
        m_pollInterval, m_copyTimeout, [this, stop] { return postCopyUnlessStopped(stop); }, stop);
    if (!copied)
        return nothing;
    const OfferedText& text = *copied;
    if (!text)
        return Base::failure(text.error());
    if (!*text || (*text)->isEmpty())
        return nothing;
    if (exceedsSelectionLimit(**text))
        return Base::failure(Core::CaptureError::selectionTooLarge());
    return std::optional(
        Core::SelectionCapture{**text, target.app, std::nullopt, Core::CapturePath::copy});
}

bool ClipboardCaptureStrategy::waitForModifierRelease(std::stop_token stop) {
    // A copy keystroke with the user's modifiers still down would be some other shortcut.
    const double limit = m_clock.now() + m_modifierWaitTimeout;
    while (!m_keyPoster->modifiersReleased()) {
        if (m_clock.now() >= limit || !m_sleeper.sleep(modifierPollInterval, stop))
            return false;
    }
    return true;
}

bool ClipboardCaptureStrategy::postCopyUnlessStopped(std::stop_token stop) {
    std::mutex sending;
    // Registered before the lock is taken: a stop already requested runs this at once.
    std::stop_callback waitUntilSent(stop, [&sending] { std::lock_guard wait(sending); });
    std::lock_guard lock(sending);
    return !stop.stop_requested() && m_keyPoster->postCopy();
}

} // namespace Capture
