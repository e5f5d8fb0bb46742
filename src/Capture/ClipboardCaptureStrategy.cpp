#include "Capture/ClipboardCaptureStrategy.h"

namespace Capture {

namespace {
const StrategyResult nothing = std::optional<Core::SelectionCapture>();
} // namespace

ClipboardCaptureStrategy::ClipboardCaptureStrategy(std::shared_ptr<PasteboardGate> gate,
                                                   std::shared_ptr<KeyEventPosting> keyPoster,
                                                   double pollInterval, double copyTimeout,
                                                   double modifierWaitTimeout,
                                                   std::function<bool()> ownAppIsFrontmost,
                                                   const Base::Clock& clock, Base::Sleeper& sleeper)
    : m_gate(std::move(gate)), m_keyPoster(std::move(keyPoster)), m_pollInterval(pollInterval),
      m_copyTimeout(copyTimeout), m_modifierWaitTimeout(modifierWaitTimeout),
      m_ownAppIsFrontmost(std::move(ownAppIsFrontmost)), m_clock(clock), m_sleeper(sleeper) {}

StrategyResult ClipboardCaptureStrategy::capture(const CaptureTarget& target,
                                                 std::stop_token stop) {
    // A synthetic key press goes to whatever is in front, never to a previous application.
    if (!target.isFrontmost || !waitForModifierRelease(stop) || m_ownAppIsFrontmost())
        return nothing;
    // Such an application keeps its selection to itself: the accessibility strategy before this
    // one found none, and copying is ruled out.
    if (m_keyPoster->refusesCopy())
        return Base::failure(Core::CaptureError::appUnsupported(target.app.bundleID));

    const auto copied = m_gate->copy(
        m_pollInterval, m_copyTimeout, [this] { return m_keyPoster->postCopy(); }, stop);
    if (!copied || !*copied || (*copied)->isEmpty())
        return nothing;
    return std::optional(Core::SelectionCapture{**copied, target.app, std::nullopt});
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

} // namespace Capture
