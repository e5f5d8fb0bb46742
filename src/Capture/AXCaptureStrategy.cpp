#include "Capture/AXCaptureStrategy.h"

namespace Capture {

using Core::CaptureError;

AXCaptureStrategy::AXCaptureStrategy(std::shared_ptr<AXClientProtocol> ax) : m_ax(std::move(ax)) {}

StrategyResult AXCaptureStrategy::capture(const CaptureTarget& target, std::stop_token) {
    // Secure entry comes first: with it on, nothing else is asked.
    if (m_ax->isSecureEventInputEnabled())
        return Base::failure(CaptureError::secureField());
    if (!m_ax->isTrusted())
        return Base::failure(CaptureError::permissionDenied());

    const auto scope =
        target.isFrontmost ? AXFocusScope::systemWide() : AXFocusScope::application(target.app.pid);
    const auto snapshot = m_ax->focusSnapshot(scope, messagingTimeout);
    if (!snapshot)
        return Base::failure(snapshot.error());
    if (snapshot->isSecureField())
        return Base::failure(CaptureError::secureField());
    if (!snapshot->selectedText || snapshot->selectedText->isEmpty()) {
        // Some editors copy the caret's line when nothing is selected: no copy is to be tried.
        if (snapshot->caretWithoutSelection)
            return Base::failure(CaptureError::nothingSelected());
        return std::optional<Core::SelectionCapture>();
    }
    return std::optional(Core::SelectionCapture{*snapshot->selectedText, target.app,
                                                snapshot->selectionBounds,
                                                Core::CapturePath::accessibility});
}

} // namespace Capture
