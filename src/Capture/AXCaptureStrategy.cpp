#include "Capture/AXCaptureStrategy.h"

#include "Capture/OfferedSelection.h"

namespace Capture {

using Core::CaptureError;

namespace {

bool showsCaretOnly(const Base::Result<AXFocusSnapshot, CaptureError>& snapshot) {
    return snapshot && snapshot->caretWithoutSelection &&
           (!snapshot->selectedText || snapshot->selectedText->isEmpty());
}

bool joinsEmbeddedTexts(const Base::Result<AXFocusSnapshot, CaptureError>& snapshot) {
    return snapshot && snapshot->joinedFromEmbeddedTexts && snapshot->selectedText;
}

// The text that the application offers, when it offers any.
std::optional<QStringView> offeredText(const OfferedText& offered) {
    if (!offered || !*offered || (*offered)->isEmpty())
        return std::nullopt;
    return QStringView(**offered);
}

// The page's text is not of the selection that the application offers.
bool contradicts(const Base::Result<AXFocusSnapshot, CaptureError>& snapshot,
                 const OfferedText& offered) {
    const auto text = offeredText(offered);
    return joinsEmbeddedTexts(snapshot) && text &&
           !OfferedSelection::isSame(*snapshot->selectedText, *text);
}

} // namespace

AXCaptureStrategy::AXCaptureStrategy(std::shared_ptr<AXClientProtocol> ax,
                                     std::shared_ptr<PrimarySelectionReading> primarySelection,
                                     const Base::Clock& clock, Base::Sleeper& sleeper)
    : m_ax(std::move(ax)), m_primarySelection(std::move(primarySelection)), m_clock(clock),
      m_sleeper(sleeper) {}

StrategyResult AXCaptureStrategy::capture(const CaptureTarget& target, std::stop_token stop) {
    // Secure entry comes first: with it on, nothing else is asked.
    if (m_ax->isSecureEventInputEnabled())
        return Base::failure(CaptureError::secureField());
    if (!m_ax->isTrusted())
        return Base::failure(CaptureError::permissionDenied());

    const auto scope =
        target.isFrontmost ? AXFocusScope::systemWide() : AXFocusScope::application(target.app.pid);
    auto snapshot =
        lookUntilFocusSettles(scope, m_ax->focusSnapshot(scope, messagingTimeout), stop);
    // An application busy with the user's keys (a screen reader that lags behind holds each one
    // up) may answer the accessibility interface between two of them, with the caret moved and the
    // selection not yet made. It answers for the selection it offers only once it has handled the
    // input queued before the request: a selection offered then is asked of it again.
    if (showsCaretOnly(snapshot) && offersSelection(target, stop))
        snapshot = lookAgain(scope, target, stop, showsCaretOnly, std::move(snapshot));
    // A page's text put together from the accessibles it embeds is held against what the
    // application offers, which may be ahead of it: the page's text may likewise still show the
    // selection before the last one.
    const OfferedText offered = joinsEmbeddedTexts(snapshot)
                                    ? m_primarySelection->read(target, stop)
                                    : OfferedText(std::optional<QString>());
    if (contradicts(snapshot, offered))
        snapshot = lookAgain(
            scope, target, stop, [&](const Snapshot& again) { return contradicts(again, offered); },
            std::move(snapshot));
    return captureFrom(snapshot, offered, target, scope);
}

AXCaptureStrategy::Snapshot
AXCaptureStrategy::lookAgain(AXFocusScope scope, const CaptureTarget& target, std::stop_token stop,
                             const Unsettled& unsettled, Snapshot snapshot) {
    // A browser offers a selection as soon as it is made, and its page shows it a moment later:
    // an offer younger than that may not be shown yet. An older one, or one of untold age, is
    // what the application kept after the user took the selection away.
    const auto age = m_primarySelection->age(target, stop);
    const double settled = m_clock.now() + (age ? offerSettleTime - *age : 0);
    snapshot = askAgain(scope, std::move(snapshot));
    while (unsettled(snapshot) && m_clock.now() < settled && m_sleeper.sleep(lookInterval, stop))
        snapshot = askAgain(scope, std::move(snapshot));
    return snapshot;
}

AXCaptureStrategy::Snapshot AXCaptureStrategy::askAgain(AXFocusScope scope, Snapshot previous) {
    auto again = m_ax->focusSnapshot(scope, messagingTimeout);
    if (!again && again.error().kind() == CaptureError::Kind::timedOut)
        return previous;
    return again;
}

AXCaptureStrategy::Snapshot AXCaptureStrategy::lookUntilFocusSettles(AXFocusScope scope,
                                                                     Snapshot snapshot,
                                                                     std::stop_token stop) {
    const double settled = m_clock.now() + focusSettleTime;
    while (snapshot && (snapshot->pageOutOfSight || snapshot->focusGone) &&
           m_clock.now() < settled && m_sleeper.sleep(lookInterval, stop))
        snapshot = askAgain(scope, std::move(snapshot));
    return snapshot;
}

StrategyResult AXCaptureStrategy::captureFrom(const Snapshot& snapshot, const OfferedText& offered,
                                              const CaptureTarget& target, AXFocusScope scope) {
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
    if (const auto offeredSelection = offeredText(offered);
        offeredSelection && joinsEmbeddedTexts(snapshot)) {
        auto read = readOfPage(*snapshot, offeredSelection->toString(), scope);
        if (!read)
            return Base::failure(CaptureError::nothingSelected());
        text = std::move(*read);
    }
    return std::optional(Core::SelectionCapture{
        std::move(text), target.app, snapshot->selectionBounds, Core::CapturePath::accessibility});
}

std::optional<QString> AXCaptureStrategy::readOfPage(const AXFocusSnapshot& snapshot,
                                                     const QString& offered, AXFocusScope scope) {
    const QString& selected = *snapshot.selectedText;
    if (OfferedSelection::isSame(selected, offered))
        return OfferedSelection::textToRead(selected, offered, [&] {
            const auto page = m_ax->pageText(scope, messagingTimeout);
            return page && OfferedSelection::shows(*page, offered);
        });
    // A browser stretches a selection whose text the page hid over the element that held it, to
    // its start or end from where the selection ended, or from end to end, and still offers what
    // the user selected, which the page no longer shows: nothing is selected. A selection that the
    // page made itself (by its script, or find in page) reaches no offer: the browser still offers
    // the user's last selection, older, which the page still shows elsewhere, and the page's own
    // is read. That lies within one block, or is all of one; the stretched one spans the blocks
    // around the hidden one, or is all of the one left.
    if (selected.trimmed().contains(u'\n'))
        return std::nullopt;
    if (!snapshot.selectsWholeElement)
        return selected;
    const auto page = m_ax->pageText(scope, messagingTimeout);
    if (!page || !OfferedSelection::showsOutside(*page, selected, offered))
        return std::nullopt;
    return selected;
}

bool AXCaptureStrategy::offersSelection(const CaptureTarget& target, std::stop_token stop) {
    const OfferedText offered = m_primarySelection->read(target, stop);
    // More than a capture takes is a selection too.
    return !offered || (*offered && !(*offered)->isEmpty());
}

} // namespace Capture
