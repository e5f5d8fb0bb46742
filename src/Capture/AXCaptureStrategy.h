#pragma once

#include "Base/Clock.h"
#include "Base/Sleeper.h"
#include "Capture/AXClientProtocol.h"
#include "Capture/CaptureStrategy.h"
#include "Capture/PrimarySelectionReading.h"

#include <functional>
#include <memory>

namespace Capture {

// Reads the focused element's selected text through the accessibility interface, without
// touching the pasteboard or the keyboard. An editable text or a web page that says it has a
// caret and nothing selected ends the capture with nothingSelected, unless the application offers
// a selection: then the accessible text may not yet have taken the user's last keys, and is asked
// once more, and again while the offered selection is younger than a browser may take to show it
// there. A text put together from several accessibles (a web page's) is held against the
// selection that the application offers (OfferedSelection): where the two are of one selection,
// the offered text is read, the browser's own copy, unless the page's text holds what the copy
// leaves out; where they are not, once the accessible text has been asked again as for a caret,
// the page's own selection is read, unless it spans several blocks, or is the whole of an element
// and the page shows the offered text nowhere else: then the page hid the text that the user
// selected, and nothing is selected. A page that the user does not see is not read: the focused
// one is asked again until the page on show has the focus, as is an element that has gone (a page
// that the browser replaced).
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
    // that the user left, or to a page that it replaced, in seconds: about 0.1 s beside four busy
    // loops.
    static constexpr double focusSettleTime = 0.3;

    AXCaptureStrategy(std::shared_ptr<AXClientProtocol> ax,
                      std::shared_ptr<PrimarySelectionReading> primarySelection,
                      const Base::Clock& clock, Base::Sleeper& sleeper);

    StrategyResult capture(const CaptureTarget& target, std::stop_token stop) override;

private:
    using Snapshot = Base::Result<AXFocusSnapshot, Core::CaptureError>;
    using Unsettled = std::function<bool(const Snapshot&)>;

    // `offered`: what the application offers, read for a page's text put together from the
    // accessibles it embeds.
    StrategyResult captureFrom(const Snapshot& snapshot, const OfferedText& offered,
                               const CaptureTarget& target, AXFocusScope scope);
    // What to read of a page's text joined from embedded texts, held against the selection that
    // the application offers; nothing when the page shows nothing of it.
    std::optional<QString> readOfPage(const AXFocusSnapshot& snapshot, const QString& offered,
                                      AXFocusScope scope);
    // The target application offers a selection that is not empty.
    bool offersSelection(const CaptureTarget& target, std::stop_token stop);
    // Asks the focused element, which showed `snapshot`, once more, and again while what it shows
    // is `unsettled` and the offered selection is younger than offerSettleTime.
    Snapshot lookAgain(AXFocusScope scope, const CaptureTarget& target, std::stop_token stop,
                       const Unsettled& unsettled, Snapshot snapshot);
    // Asks the focused element again while it is a page out of sight or has gone, for up to
    // focusSettleTime.
    Snapshot lookUntilFocusSettles(AXFocusScope scope, Snapshot snapshot, std::stop_token stop);
    // Asks the focused element again. One that does not answer in time shows what it showed
    // before: the capture would otherwise hand over to the selection that the application offers,
    // which may be that of a page no longer in front.
    Snapshot askAgain(AXFocusScope scope, Snapshot previous);

    const std::shared_ptr<AXClientProtocol> m_ax;
    const std::shared_ptr<PrimarySelectionReading> m_primarySelection;
    const Base::Clock& m_clock;
    Base::Sleeper& m_sleeper;
};

} // namespace Capture
