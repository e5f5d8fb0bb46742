#include "Parlino/Panel/PanelFocusTarget.h"

#include "Parlino/Panel/PanelSizing.h"

namespace Parlino {

PanelFocusTarget openFocusTarget(PlayerViewModel::Phase::Kind phase, PanelContentMode mode) {
    const bool showsRead = mode == PanelContentMode::reading && !PanelSizing::isCardPhase(phase) &&
                           phase != PlayerViewModel::Phase::Kind::hidden;
    return showsRead ? PanelFocusTarget::playPause : PanelFocusTarget::firstHeaderButton;
}

} // namespace Parlino
