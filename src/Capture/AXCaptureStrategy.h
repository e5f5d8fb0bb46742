#pragma once

#include "Capture/AXClientProtocol.h"
#include "Capture/CaptureStrategy.h"

#include <memory>

namespace Capture {

// Reads the focused element's selected text through the accessibility interface, without
// touching the pasteboard or the keyboard. An editable text that says it has a caret and nothing
// selected ends the capture with nothingSelected.
class AXCaptureStrategy final : public CaptureStrategy {
public:
    // How long each accessibility call may take, in seconds.
    static constexpr double messagingTimeout = 0.5;

    explicit AXCaptureStrategy(std::shared_ptr<AXClientProtocol> ax);

    StrategyResult capture(const CaptureTarget& target, std::stop_token stop) override;

private:
    std::shared_ptr<AXClientProtocol> m_ax;
};

} // namespace Capture
