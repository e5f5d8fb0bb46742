#pragma once

#include "Capture/AXClientProtocol.h"
#include "Capture/CaptureStrategy.h"
#include "Capture/PrimarySelectionReading.h"

#include <memory>

namespace Capture {

// Reads the focused element's selected text through the accessibility interface, without
// touching the pasteboard or the keyboard. An editable text that says it has a caret and nothing
// selected ends the capture with nothingSelected, unless the application offers a selection: then
// the accessible text may not yet have taken the user's last keys, and is asked once more. A text
// put together from several accessibles takes the line breaks of the selection that the application
// offers, when that has the same text, but keeps its own where the offered one joins two words.
class AXCaptureStrategy final : public CaptureStrategy {
public:
    // How long each accessibility call may take, in seconds.
    static constexpr double messagingTimeout = 0.5;

    AXCaptureStrategy(std::shared_ptr<AXClientProtocol> ax,
                      std::shared_ptr<PrimarySelectionReading> primarySelection);

    StrategyResult capture(const CaptureTarget& target, std::stop_token stop) override;

private:
    StrategyResult captureFrom(const Base::Result<AXFocusSnapshot, Core::CaptureError>& snapshot,
                               const CaptureTarget& target, std::stop_token stop);
    // The target application offers a selection that is not empty.
    bool offersSelection(const CaptureTarget& target, std::stop_token stop);

    const std::shared_ptr<AXClientProtocol> m_ax;
    const std::shared_ptr<PrimarySelectionReading> m_primarySelection;
};

} // namespace Capture
