#include "Parlino/Panel/PanelSizing.h"

#include <algorithm>

namespace Parlino::PanelSizing {

using Kind = PlayerViewModel::Phase::Kind;

qreal headerTopPadding(qreal topContentInset) {
    return std::max(headerMinimumPadding, (topContentInset - headerButton) / 2);
}

qreal headerBand(qreal topContentInset) {
    return std::max(topContentInset, 2 * headerTopPadding(topContentInset) + headerButton);
}

bool isCardPhase(Kind phase) {
    return phase == Kind::confirmingLength || phase == Kind::failed;
}

qreal warningRowHeight(bool warningShown, Kind phase) {
    return warningShown && !isCardPhase(phase) ? warningRow : 0;
}

qreal readingContentHeight(const SheetInputs& inputs) {
    if (inputs.contentMode != PanelContentMode::reading)
        return otherModesBody;
    const qreal text = inputs.textHeight + inputs.warningRowHeight;
    const qreal block =
        std::min(std::max(text, textFloor), textCeilingFactor * inputs.screenHeight);
    const bool failureRow =
        inputs.phase == Kind::stalled || (inputs.showsSaveFailure && inputs.phase != Kind::hidden);
    const qreal wanted = block + readingChrome + (failureRow ? stallRow : 0);
    const qreal cap = std::max(readingCap - headerBand(inputs.topContentInset), readingMinimumCap);
    return std::min(cap, wanted);
}

QSizeF panelSheetSize(const SheetInputs& inputs) {
    if (isCardPhase(inputs.phase))
        return {sheetWidth, cardBody};
    return {sheetWidth, readingContentHeight(inputs)};
}

qreal panelHeight(const SheetInputs& inputs) {
    const qreal band = headerBand(inputs.topContentInset);
    if (isCardPhase(inputs.phase))
        return band + cardBody + bottomAllowance;
    if (inputs.contentMode == PanelContentMode::reading)
        return readingContentHeight(inputs) + band;
    return band + otherModesBody + bottomAllowance;
}

} // namespace Parlino::PanelSizing
