#pragma once

#include "Capture/AXClientProtocol.h"
#include "Capture/CaptureStrategy.h"

#include <functional>
#include <memory>

namespace Capture {

// Decides whether a capture's target shows a terminal, where a copy keystroke would interrupt the
// running program instead of copying and the selection is read from what the terminal offers:
// a terminal emulator's window, known by its application's identifier, or a terminal embedded in
// another application's window (an editor's terminal panel), known by the role of the focused
// element. Called from capture worker threads.
class TerminalDetector {
public:
    enum class Verdict {
        terminal,
        other,
        // The focused element did not tell its role in time: it may be a terminal's.
        unknown,
    };

    // How long the focused element may take to tell its role, in seconds.
    static constexpr double roleTimeout = 0.25;

    TerminalDetector(std::function<bool(const Core::FrontmostApp&)> isTerminalApplication,
                     std::shared_ptr<AXClientProtocol> ax);

    Verdict classify(const CaptureTarget& target) const;

private:
    const std::function<bool(const Core::FrontmostApp&)> m_isTerminalApplication;
    const std::shared_ptr<AXClientProtocol> m_ax;
};

} // namespace Capture
