#include "Capture/TerminalSelectionStrategy.h"

namespace Capture {

TerminalSelectionStrategy::TerminalSelectionStrategy(
    std::shared_ptr<PrimarySelectionReading> primarySelection,
    std::function<bool(const Core::FrontmostApp&)> isTerminal)
    : m_primarySelection(std::move(primarySelection)), m_isTerminal(std::move(isTerminal)) {}

StrategyResult TerminalSelectionStrategy::capture(const CaptureTarget& target,
                                                  std::stop_token stop) {
    if (!m_isTerminal(target.app))
        return std::optional<Core::SelectionCapture>();
    const OfferedText offered = m_primarySelection->read(target, stop);
    if (!offered)
        return Base::failure(offered.error());
    if (!*offered || (*offered)->isEmpty())
        return std::optional<Core::SelectionCapture>();
    return std::optional(Core::SelectionCapture{**offered, target.app, std::nullopt,
                                                Core::CapturePath::offeredSelection});
}

} // namespace Capture
