#pragma once

#include "Base/Clock.h"
#include "Base/Sleeper.h"
#include "Capture/CaptureStrategy.h"
#include "Capture/KeyEventPosting.h"
#include "Capture/PasteboardGate.h"
#include "Capture/PrimarySelectionReading.h"
#include "Capture/TerminalDetector.h"

#include <functional>
#include <memory>

namespace Capture {

// Reads the selection that the target application offers without a keystroke (the PRIMARY
// selection); when it offers none, sends a synthetic copy to the front-most application once the
// user has let go of the modifier keys, and reads the text it puts on the pasteboard through the
// gate. No key is sent once the capture's stop has been requested, nor to a target that shows a
// terminal or whose focused element does not tell in time whether it is one. Fails only with
// selectionTooLarge; every other obstacle yields nothing.
class ClipboardCaptureStrategy final : public CaptureStrategy {
public:
    // Seconds between two looks at the modifier keys.
    static constexpr double modifierPollInterval = 0.010;

    // Times in seconds. `ownAppIsFrontmost` is called from capture worker threads.
    ClipboardCaptureStrategy(std::shared_ptr<PrimarySelectionReading> primarySelection,
                             std::shared_ptr<PasteboardGate> gate,
                             std::shared_ptr<KeyEventPosting> keyPoster,
                             std::shared_ptr<const TerminalDetector> terminals, double pollInterval,
                             double copyTimeout, double modifierWaitTimeout,
                             std::function<bool()> ownAppIsFrontmost, const Base::Clock& clock,
                             Base::Sleeper& sleeper);

    StrategyResult capture(const CaptureTarget& target, std::stop_token stop) override;

private:
    StrategyResult captureByCopy(const CaptureTarget& target, std::stop_token stop);
    // False when the modifiers are still held at the limit or the wait was stopped.
    bool waitForModifierRelease(std::stop_token stop);
    // Sends the copy unless `stop` has been requested. A stop requested while the keys are being
    // sent waits until they are out, so that none goes out once the request has returned.
    bool postCopyUnlessStopped(std::stop_token stop);

    const std::shared_ptr<PrimarySelectionReading> m_primarySelection;
    const std::shared_ptr<PasteboardGate> m_gate;
    const std::shared_ptr<KeyEventPosting> m_keyPoster;
    const std::shared_ptr<const TerminalDetector> m_terminals;
    const double m_pollInterval;
    const double m_copyTimeout;
    const double m_modifierWaitTimeout;
    const std::function<bool()> m_ownAppIsFrontmost;
    const Base::Clock& m_clock;
    Base::Sleeper& m_sleeper;
};

} // namespace Capture
