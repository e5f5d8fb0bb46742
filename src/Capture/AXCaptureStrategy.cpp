#include "Capture/AXCaptureStrategy.h"

#include "Base/Unicode.h"

namespace Capture {

using Core::CaptureError;

namespace {

// The two texts differ at most in their white space.
bool sameButForWhiteSpace(QStringView a, QStringView b) {
    const auto skipWhiteSpace = [](QStringView text, qsizetype& i) {
        while (i < text.size() && Base::Unicode::isWhiteSpace(text[i].unicode()))
            ++i;
    };
    qsizetype i = 0;
    qsizetype j = 0;
    for (;;) {
        skipWhiteSpace(a, i);
        skipWhiteSpace(b, j);
        if (i == a.size() || j == b.size())
            return i == a.size() && j == b.size();
        if (a[i++] != b[j++])
            return false;
    }
}

bool showsCaretOnly(const Base::Result<AXFocusSnapshot, CaptureError>& snapshot) {
    return snapshot && snapshot->caretWithoutSelection &&
           (!snapshot->selectedText || snapshot->selectedText->isEmpty());
}

} // namespace

AXCaptureStrategy::AXCaptureStrategy(std::shared_ptr<AXClientProtocol> ax,
                                     std::shared_ptr<PrimarySelectionReading> primarySelection)
    : m_ax(std::move(ax)), m_primarySelection(std::move(primarySelection)) {}

StrategyResult AXCaptureStrategy::capture(const CaptureTarget& target, std::stop_token stop) {
    // Secure entry comes first: with it on, nothing else is asked.
    if (m_ax->isSecureEventInputEnabled())
        return Base::failure(CaptureError::secureField());
    if (!m_ax->isTrusted())
        return Base::failure(CaptureError::permissionDenied());

    const auto scope =
        target.isFrontmost ? AXFocusScope::systemWide() : AXFocusScope::application(target.app.pid);
    auto snapshot = m_ax->focusSnapshot(scope, messagingTimeout);
    // An application busy with the user's keys (a screen reader that lags behind holds each one
    // up) may answer the accessibility interface between two of them, with the caret moved and the
    // selection not yet made. It answers for the selection it offers only once it has handled the
    // input queued before the request: a selection offered then is asked of it again.
    if (showsCaretOnly(snapshot) && offersSelection(target, stop))
        snapshot = m_ax->focusSnapshot(scope, messagingTimeout);
    return captureFrom(snapshot, target, stop);
}

StrategyResult
AXCaptureStrategy::captureFrom(const Base::Result<AXFocusSnapshot, CaptureError>& snapshot,
                               const CaptureTarget& target, std::stop_token stop) {
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
    QString text = *snapshot->selectedText;
    if (snapshot->joinedFromEmbeddedTexts) {
        // The application's own lines, where it offers the same text.
        const OfferedText offered = m_primarySelection->read(target, stop);
        if (offered && *offered && sameButForWhiteSpace(**offered, text))
            text = **offered;
    }
    return std::optional(Core::SelectionCapture{
        std::move(text), target.app, snapshot->selectionBounds, Core::CapturePath::accessibility});
}

bool AXCaptureStrategy::offersSelection(const CaptureTarget& target, std::stop_token stop) {
    const OfferedText offered = m_primarySelection->read(target, stop);
    // More than a capture takes is a selection too.
    return !offered || (*offered && !(*offered)->isEmpty());
}

} // namespace Capture
