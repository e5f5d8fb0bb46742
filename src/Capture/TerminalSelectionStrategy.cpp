#include "Capture/TerminalSelectionStrategy.h"

namespace Capture {

TerminalSelectionStrategy::TerminalSelectionStrategy(
    std::shared_ptr<PrimarySelectionReading> primarySelection,
    std::shared_ptr<const TerminalDetector> terminals)
    : m_primarySelection(std::move(primarySelection)), m_terminals(std::move(terminals)) {}

StrategyResult TerminalSelectionStrategy::capture(const CaptureTarget& target,
                                                  std::stop_token stop) {
    if (m_terminals->classify(target) != TerminalDetector::Verdict::terminal)
        return std::optional<Core::SelectionCapture>();
    const OfferedText offered = m_primarySelection->read(target, stop);
    if (!offered)
        return Base::failure(offered.error());
    if (!*offered || (*offered)->isEmpty())
        return Base::failure(Core::CaptureError::nothingSelected());
    return std::optional(Core::SelectionCapture{**offered, target.app, std::nullopt,
                                                Core::CapturePath::offeredSelection});
}

} // namespace Capture
