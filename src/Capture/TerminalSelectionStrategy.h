#pragma once

#include "Capture/CaptureStrategy.h"
#include "Capture/PrimarySelectionReading.h"

#include <functional>
#include <memory>

namespace Capture {

// Reads a terminal's selection from the selection that the terminal offers itself (PRIMARY),
// ahead of its accessible text: terminals report an accessible selection whose offsets no longer
// match their text once lines have scrolled away, so that the accessible text is another line.
// Any other application, and a terminal that offers nothing, is left to the next strategy.
class TerminalSelectionStrategy final : public CaptureStrategy {
public:
    // `isTerminal` is called from capture worker threads.
    TerminalSelectionStrategy(std::shared_ptr<PrimarySelectionReading> primarySelection,
                              std::function<bool(const Core::FrontmostApp&)> isTerminal);

    StrategyResult capture(const CaptureTarget& target, std::stop_token stop) override;

private:
    const std::shared_ptr<PrimarySelectionReading> m_primarySelection;
    const std::function<bool(const Core::FrontmostApp&)> m_isTerminal;
};

} // namespace Capture
