#pragma once

#include "Capture/CaptureStrategy.h"
#include "Capture/PrimarySelectionReading.h"
#include "Capture/TerminalDetector.h"

#include <memory>

namespace Capture {

// Reads a terminal's selection from the selection that the terminal offers itself (PRIMARY),
// ahead of its accessible text: terminals report an accessible selection whose offsets no longer
// match their text once lines have scrolled away, so that the accessible text is another line.
// A terminal that offers nothing has nothing selected: the capture ends there, before anything
// could send it a copy keystroke. Any other application is left to the next strategy.
class TerminalSelectionStrategy final : public CaptureStrategy {
public:
    TerminalSelectionStrategy(std::shared_ptr<PrimarySelectionReading> primarySelection,
                              std::shared_ptr<const TerminalDetector> terminals);

    StrategyResult capture(const CaptureTarget& target, std::stop_token stop) override;

private:
    const std::shared_ptr<PrimarySelectionReading> m_primarySelection;
    const std::shared_ptr<const TerminalDetector> m_terminals;
};

} // namespace Capture
