#pragma once

#include "Base/Clock.h"
#include "Base/Sleeper.h"
#include "Capture/AXClientProtocol.h"
#include "Capture/CaptureStrategy.h"
#include "Capture/PrimarySelectionReading.h"

#include <memory>

namespace Capture {

// Reads the focused element's selected text through the accessibility interface, without
// touching the pasteboard or the keyboard. An editable text or a web page that says it has a
// caret and nothing selected ends the capture with nothingSelected, unless the application offers
// a selection: then the accessible text may not yet have taken the user's last keys, and is asked
// once more, and again while the offered selection is younger than a browser may take to show it
// there. A text put together from several accessibles takes the line breaks of the selection that
// the application offers, when that has the same text, but keeps its own where the offered one
// joins two words. A page that the user does not see is not read: the focused one is asked again
// until the page on show has the focus.
class AXCaptureStrategy final : public CaptureStrategy {
public:
    // How long each accessibility call may take, in seconds.
    static constexpr double messagingTimeout = 0.5;
    // How long after an application took the selection it offers its accessible text may still
    // show none, in seconds: a browser's page shows it there a moment later, from another
    // process; tens of milliseconds beside four busy loops.
    static constexpr double offerSettleTime = 0.1;
    // Seconds between two looks while the offered selection settles.
    static constexpr double lookInterval = 0.01;
    // How long after a switch of tabs a browser may still give the focus to the page of the tab
    // that the user left, in seconds: about 0.1 s beside four busy loops.
    static constexpr double focusSettleTime = 0.3;

    AXCaptureStrategy(std::shared_ptr<AXClientProtocol> ax,
                      std::shared_ptr<PrimarySelectionReading> primarySelection,
                      const Base::Clock& clock, Base::Sleeper& sleeper);

    StrategyResult capture(const CaptureTarget& target, std::stop_token stop) override;

private:
    StrategyResult captureFrom(const Base::Result<AXFocusSnapshot, Core::CaptureError>& snapshot,
                               const CaptureTarget& target, std::stop_token stop);
    // The target application offers a selection that is not empty.
    bool offersSelection(const CaptureTarget& target, std::stop_token stop);
    // Asks the focused element once more, and again while it shows only a caret and the offered
    // selection is younger than offerSettleTime.
    Base::Result<AXFocusSnapshot, Core::CaptureError>
    lookAgain(AXFocusScope scope, const CaptureTarget& target, std::stop_token stop);
    // Asks the focused element again while it is a page out of sight, for up to focusSettleTime.
    Base::Result<AXFocusSnapshot, Core::CaptureError>
    lookUntilPageOnShow(AXFocusScope scope,
                        Base::Result<AXFocusSnapshot, Core::CaptureError> snapshot,
                        std::stop_token stop);

    const std::shared_ptr<AXClientProtocol> m_ax;
    const std::shared_ptr<PrimarySelectionReading> m_primarySelection;
    const Base::Clock& m_clock;
    Base::Sleeper& m_sleeper;
};

} // namespace Capture
