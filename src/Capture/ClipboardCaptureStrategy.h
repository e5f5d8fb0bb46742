#pragma once

#include "Base/Clock.h"
#include "Base/Sleeper.h"
#include "Capture/CaptureStrategy.h"
#include "Capture/KeyEventPosting.h"
#include "Capture/PasteboardGate.h"

#include <functional>
#include <memory>

namespace Capture {

// Sends a synthetic copy to the front-most application once the user has let go of the modifier
// keys, and reads the text it puts on the pasteboard through the gate. Never fails: every
// obstacle yields nothing.
class ClipboardCaptureStrategy final : public CaptureStrategy {
public:
    // Seconds between two looks at the modifier keys.
    static constexpr double modifierPollInterval = 0.010;

    // Times in seconds. `ownAppIsFrontmost` is called from capture worker threads.
    ClipboardCaptureStrategy(std::shared_ptr<PasteboardGate> gate,
                             std::shared_ptr<KeyEventPosting> keyPoster, double pollInterval,
                             double copyTimeout, double modifierWaitTimeout,
                             std::function<bool()> ownAppIsFrontmost, const Base::Clock& clock,
                             Base::Sleeper& sleeper);

    StrategyResult capture(const CaptureTarget& target, std::stop_token stop) override;

private:
    // False when the modifiers are still held at the limit or the wait was stopped.
    bool waitForModifierRelease(std::stop_token stop);

    const std::shared_ptr<PasteboardGate> m_gate;
    const std::shared_ptr<KeyEventPosting> m_keyPoster;
    const double m_pollInterval;
    const double m_copyTimeout;
    const double m_modifierWaitTimeout;
    const std::function<bool()> m_ownAppIsFrontmost;
    const Base::Clock& m_clock;
    Base::Sleeper& m_sleeper;
};

} // namespace Capture
