#pragma once

#include "Base/Result.h"
#include "Core/CaptureError.h"

#include <QRectF>
#include <QString>

#include <optional>

namespace Capture {

// Whose focused element to ask: one application's, or whichever has the keyboard focus.
struct AXFocusScope {
    enum class Kind { application, systemWide };

    static AXFocusScope application(qint32 pid) { return {Kind::application, pid}; }
    static AXFocusScope systemWide() { return {Kind::systemWide, 0}; }

    Kind kind = Kind::systemWide;
    qint32 pid = 0; // the application's process; 0 for systemWide
    friend bool operator==(const AXFocusScope&, const AXFocusScope&) = default;
};

// What the focused element shows; each part is absent when it could not be read.
struct AXFocusSnapshot {
    // The role under which a client reports a password field, whatever its toolkit calls it.
    static constexpr char secureTextFieldRole[] = "AXSecureTextField";
    // The role under which a client reports a terminal, also one embedded in another
    // application's window.
    static constexpr char terminalRole[] = "AXTerminal";

    std::optional<QString> selectedText;
    std::optional<QString> role;
    std::optional<QRectF> selectionBounds; // on screen
    // The user selected nothing where the element is, whatever the application may still offer as
    // selected: the element is a text field or area that holds the whole of its text, can be
    // edited and says that it has a caret and nothing selected; or it is part of a web page, and
    // neither it nor any document of the page on show around it holds a selection; or it is the
    // document of a page that is not on show.
    bool caretWithoutSelection = false;
    // The element is the document of a page that the user does not see, and nothing was read of
    // it: a browser still gives the focus to the page of the tab that the user left for a moment
    // after the switch, until the page on show takes it.
    bool pageOutOfSight = false;
    // The element that had the focus went away as it was read, and nothing was read of it: a
    // browser that replaces a page gives the focus to the new one a moment later.
    bool focusGone = false;
    // The selected text was put together from the texts of accessibles that the focused text
    // embeds (a web page's paragraphs), joined with line breaks of the reader's choosing.
    bool joinedFromEmbeddedTexts = false;
    // The selection joined from embedded texts is the whole text of one element that the focused
    // text embeds, or of the focused text: what a browser makes of a selection whose text the page
    // hid.
    bool selectsWholeElement = false;

    bool isSecureField() const { return role == QLatin1String(secureTextFieldRole); }
    static bool isTerminal(const std::optional<QString>& role) {
        return role == QLatin1String(terminalRole);
    }
};

// The accessibility interface the capture reads the selection through. Called from capture
// worker threads, possibly from several at once: a client over a library that is not thread-safe
// serialises its calls.
class AXClientProtocol {
public:
    virtual ~AXClientProtocol() = default;

    // This process may read other applications' accessibility data.
    virtual bool isTrusted() = 0;
    // Some application is taking the keyboard for secure entry (a password prompt).
    virtual bool isSecureEventInputEnabled() = 0;
    // Reads the scope's focused element, each call bounded by `timeout` seconds. Fails with
    // timedOut when the focused element could not be asked in time; a missing or unreadable
    // element gives an empty snapshot; a selection longer than CaptureError::maxSelectionBytes
    // fails with selectionTooLarge.
    virtual Base::Result<AXFocusSnapshot, Core::CaptureError> focusSnapshot(AXFocusScope scope,
                                                                            double timeout) = 0;
    // The role of the scope's focused element alone, bounded by `timeout` seconds: nothing when
    // there is none or it is unreadable; fails with timedOut as focusSnapshot does.
    virtual Base::Result<std::optional<QString>, Core::CaptureError> focusRole(AXFocusScope scope,
                                                                               double timeout) = 0;
    // The whole text of the web page that the scope's focused element is part of, its elements
    // laid out as in a selection joined from embedded texts, bounded by `timeout` seconds; nothing
    // when the element is part of no page, or the text could not be read whole in time or is
    // longer than a selection may be.
    virtual std::optional<QString> pageText(AXFocusScope scope, double timeout) = 0;
};

} // namespace Capture
