#include "Capture/AXCaptureStrategy.h"

#include "Base/Unicode.h"
#include "Capture/EmbeddedObjects.h"

namespace Capture {

using Core::CaptureError;

namespace {

// The offered text, where it differs from the accessible one at most in its white space, with
// the accessible text's white space put in wherever the offered text joins two characters that
// the accessible one keeps apart (a browser offers absolutely positioned paragraphs one right after
// the other); nothing where the two differ in more than white space.
std::optional<QString> offeredWithBreaks(QStringView accessible, QStringView offered) {
    const auto skipWhiteSpace = [](QStringView text, qsizetype& i) {
        const qsizetype start = i;
        while (i < text.size() && Base::Unicode::isWhiteSpace(text[i].unicode()))
            ++i;
        return text.sliced(start, i - start);
    };
    QString text;
    text.reserve(offered.size());
    qsizetype i = 0;
    qsizetype j = 0;
    for (;;) {
        const QStringView accessibleBreak = skipWhiteSpace(accessible, i);
        const QStringView offeredBreak = skipWhiteSpace(offered, j);
        if (i == accessible.size() || j == offered.size()) {
            if (i != accessible.size() || j != offered.size())
                return std::nullopt;
            text.append(offeredBreak);
            return text;
        }
        if (accessible[i++] != offered[j])
            return std::nullopt;
        text.append(offeredBreak.isEmpty() && !text.isEmpty() ? accessibleBreak : offeredBreak);
        text.append(offered[j++]);
    }
}

bool showsCaretOnly(const Base::Result<AXFocusSnapshot, CaptureError>& snapshot) {
    return snapshot && snapshot->caretWithoutSelection &&
           (!snapshot->selectedText || snapshot->selectedText->isEmpty());
}

// The words of a text, case-folded; an embedded object, which Chromium offers for a field, parts
// words as white space does.
QStringList wordsOf(QStringView text) {
    QStringList words;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool space = i == text.size() || Base::Unicode::isWhiteSpace(text[i].unicode()) ||
                           text[i] == QChar(EmbeddedObjects::character);
        if (space && start >= 0) {
            words.append(text.sliced(start, i - start).toString().toCaseFolded());
            start = -1;
        } else if (!space && start < 0) {
            start = i;
        }
    }
    return words;
}

// Every word of `part` stands in `whole`, in the same order.
bool holdsInOrder(const QStringList& whole, const QStringList& part) {
    qsizetype next = 0;
    for (const QString& word : part) {
        next = whole.indexOf(word, next);
        if (next < 0)
            return false;
        ++next;
    }
    return true;
}

// Neither text holds the other's words in order, whatever their case, and they differ in more than
// white space: a page's styles change the case of what it shows, its fields and generated text
// stand in its accessible text but not in the offered one, and a browser offers its paragraphs
// with line breaks of its own, or none.
bool unrelated(QStringView accessible, QStringView offered) {
    if (offeredWithBreaks(accessible, offered))
        return false;
    const QStringList a = wordsOf(accessible);
    const QStringList b = wordsOf(offered);
    return !holdsInOrder(a, b) && !holdsInOrder(b, a);
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

// The page's text has nothing to do with the selection that the application offers.
bool contradicts(const Base::Result<AXFocusSnapshot, CaptureError>& snapshot,
                 const OfferedText& offered) {
    const auto text = offeredText(offered);
    return joinsEmbeddedTexts(snapshot) && text && unrelated(*snapshot->selectedText, *text);
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
    auto snapshot = lookUntilPageOnShow(scope, m_ax->focusSnapshot(scope, messagingTimeout), stop);
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
    return captureFrom(snapshot, offered, target);
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

AXCaptureStrategy::Snapshot AXCaptureStrategy::lookUntilPageOnShow(AXFocusScope scope,
                                                                   Snapshot snapshot,
                                                                   std::stop_token stop) {
    const double settled = m_clock.now() + focusSettleTime;
    while (snapshot && snapshot->pageOutOfSight && m_clock.now() < settled &&
           m_sleeper.sleep(lookInterval, stop))
        snapshot = askAgain(scope, std::move(snapshot));
    return snapshot;
}

StrategyResult AXCaptureStrategy::captureFrom(const Snapshot& snapshot, const OfferedText& offered,
                                              const CaptureTarget& target) {
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
    const auto offeredLines = offeredText(offered);
    if (offeredLines && joinsEmbeddedTexts(snapshot)) {
        // The application's own lines, where it offers the same text.
        if (auto lines = offeredWithBreaks(text, *offeredLines))
            text = std::move(*lines);
        // A browser moves the selection of text that the page hid onto the text around it, and
        // still offers what the user selected: neither shows.
        else if (unrelated(text, *offeredLines))
            return Base::failure(CaptureError::nothingSelected());
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
