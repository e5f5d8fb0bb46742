#include "Capture/TerminalDetector.h"

namespace Capture {

TerminalDetector::TerminalDetector(
    std::function<bool(const Core::FrontmostApp&)> isTerminalApplication,
    std::shared_ptr<AXClientProtocol> ax)
    : m_isTerminalApplication(std::move(isTerminalApplication)), m_ax(std::move(ax)) {}

TerminalDetector::Verdict TerminalDetector::classify(const CaptureTarget& target) const {
    if (m_isTerminalApplication(target.app))
        return Verdict::terminal;
    const auto scope =
        target.isFrontmost ? AXFocusScope::systemWide() : AXFocusScope::application(target.app.pid);
    const auto role = m_ax->focusRole(scope, roleTimeout);
    if (!role)
        return Verdict::unknown;
    return AXFocusSnapshot::isTerminal(*role) ? Verdict::terminal : Verdict::other;
}

} // namespace Capture
