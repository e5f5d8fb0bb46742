#include "Capture/Linux/SystemAXClient.h"

#include "Base/Linux/GlibThread.h"
#include "Base/Log.h"
#include "Capture/EmbeddedObjects.h"
#include "Capture/Linux/AtspiConnection.h"
#include "Capture/Linux/AtspiEmbeddedTexts.h"
#include "Capture/Linux/AtspiRef.h"
#include "Capture/Linux/AtspiTextFlow.h"
#include "Capture/Linux/AtspiTimeBudget.h"
#include "Capture/Linux/AtspiWebPage.h"
#include "Capture/Linux/FocusLocator.h"
#include "Capture/Linux/X11Connection.h"
#include "Capture/PageSelection.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace Capture {

using Core::CaptureError;

namespace {

const Base::Log logger("focus-diag");

// The bounds of the time given to one snapshot, in seconds.
constexpr double minimumTimeout = 0.001;
constexpr double maximumTimeout = 60.0;

QString takeText(gchar* text) {
    const QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

AtspiRole roleCodeOf(AtspiAccessible* accessible, const AtspiTimeBudget& time) {
    AtspiErrorSink error;
    const AtspiRole role =
        time.arm() ? atspi_accessible_get_role(accessible, error.out()) : ATSPI_ROLE_INVALID;
    return error.failed() ? ATSPI_ROLE_INVALID : role;
}

// The accessible answers with an error, though there is time: it has gone.
bool hasGone(AtspiAccessible* accessible, const AtspiTimeBudget& time) {
    AtspiErrorSink error;
    if (!time.arm())
        return false;
    atspi_accessible_get_role(accessible, error.out());
    return error.failed() && !time.expired();
}

std::optional<QString> roleOf(AtspiAccessible* accessible, AtspiRole role,
                              const AtspiTimeBudget& time) {
    if (role == ATSPI_ROLE_INVALID)
        return std::nullopt;
    if (role == ATSPI_ROLE_PASSWORD_TEXT)
        return QString::fromLatin1(AXFocusSnapshot::secureTextFieldRole);
    if (role == ATSPI_ROLE_TERMINAL)
        return QString::fromLatin1(AXFocusSnapshot::terminalRole);
    AtspiErrorSink error;
    gchar* name = time.arm() ? atspi_accessible_get_role_name(accessible, error.out()) : nullptr;
    if (error.failed() || !name)
        return std::nullopt;
    return takeText(name);
}

// An editable text field or area, which holds the whole of its text (unlike a paragraph of a
// word processor's page, whose selection may lie in other paragraphs), says that it has a caret
// and no selection. A browser's address bar is an editable combo box.
bool showsCaretOnly(AtspiAccessible* accessible, AtspiRole role, const AtspiTimeBudget& time) {
    if ((role != ATSPI_ROLE_TEXT && role != ATSPI_ROLE_ENTRY && role != ATSPI_ROLE_COMBO_BOX) ||
        !time.arm())
        return false;
    const AtspiRef<AtspiStateSet> states(atspi_accessible_get_state_set(accessible));
    if (!states || !atspi_state_set_contains(states.get(), ATSPI_STATE_EDITABLE) || !time.arm())
        return false;
    const AtspiRef<AtspiText> text(atspi_accessible_get_text_iface(accessible));
    AtspiErrorSink error;
    if (!text || atspi_text_get_n_selections(text.get(), error.out()) != 0 || error.failed() ||
        !time.arm())
        return false;
    return atspi_text_get_caret_offset(text.get(), error.out()) >= 0 && !error.failed();
}

// The longest share of a snapshot's time that telling whether a web page is on show, or holds a
// selection, may take, in seconds: a page that cannot tell by then is left to the selection its
// browser offers. A browser busy showing another tab answers each question in up to 80 ms beside
// four busy loops.
constexpr double pageSelectionShare = 0.3;

// What `decide` tells of the web page around the focused accessible, whose application had the
// elements `focusedLately` focused lately.
bool tellOfPage(bool (*decide)(WebPage&), AtspiAccessible* accessible,
                std::vector<AtspiRef<AtspiAccessible>> focusedLately, const AtspiTimeBudget& time) {
    const AtspiTimeBudget share = time.share(pageSelectionShare);
    AtspiWebPage page(AtspiRef<AtspiAccessible>::retaining(accessible), std::move(focusedLately),
                      share);
    return decide(page);
}

// A browser's window that has the focus itself, as one that a tab was just dragged out into has
// until its page takes it, shows a page that holds no selection.
bool showsPageWithoutSelection(AtspiAccessible* accessible, AtspiRole role,
                               const AtspiTimeBudget& time) {
    if ((role != ATSPI_ROLE_FRAME && role != ATSPI_ROLE_WINDOW) || !time.arm())
        return false;
    // The window embeds the page that it shows.
    const AtspiRef<AtspiAccessible> page =
        std::move(relationTargets(accessible)[ATSPI_RELATION_EMBEDS]);
    if (!page || roleCodeOf(page.get(), time) != ATSPI_ROLE_DOCUMENT_WEB || !time.arm())
        return false;
    const AtspiRef<AtspiText> text(atspi_accessible_get_text_iface(page.get()));
    AtspiErrorSink error;
    return text && atspi_text_get_n_selections(text.get(), error.out()) == 0 && !error.failed();
}

// What `tell` tells of the texts that the accessible embeds.
template <typename Telling>
auto tellOfTexts(Telling tell, AtspiAccessible* accessible, const AtspiTimeBudget& time) {
    AtspiEmbeddedTexts texts(AtspiRef<AtspiAccessible>::retaining(accessible), time);
    return tell(texts);
}

// The accessible says that it holds a selection, but none of what it selects shows any more.
bool selectsNothingShown(AtspiAccessible* accessible, const AtspiTimeBudget& time) {
    return tellOfTexts(EmbeddedObjects::selectsShownText, accessible, time) == false;
}

// Deeper than any page nests the element that has the focus.
constexpr int deepestNesting = 256;

// The web page that the accessible is part of, itself or the nearest document above it; none
// when it is part of no page, or that could not be told in time.
AtspiRef<AtspiAccessible> pageAround(AtspiAccessible* accessible, const AtspiTimeBudget& time) {
    AtspiRef<AtspiAccessible> node = AtspiRef<AtspiAccessible>::retaining(accessible);
    for (int depth = 0; node && depth < deepestNesting; ++depth) {
        switch (roleCodeOf(node.get(), time)) {
        case ATSPI_ROLE_DOCUMENT_WEB:
            return node;
        case ATSPI_ROLE_INVALID:
        case ATSPI_ROLE_FRAME:
        case ATSPI_ROLE_WINDOW:
        case ATSPI_ROLE_APPLICATION:
            return AtspiRef<AtspiAccessible>();
        default:
            break;
        }
        AtspiErrorSink error;
        node = AtspiRef<AtspiAccessible>(
            time.arm() ? atspi_accessible_get_parent(node.get(), error.out()) : nullptr);
        if (error.failed())
            return AtspiRef<AtspiAccessible>();
    }
    return AtspiRef<AtspiAccessible>();
}

enum class Selection { read, tooLarge };

// The selected text and its bounds on screen, also of a selection that goes on into the texts
// that this one flows into or embeds. Offsets stay in the toolkit's own units from the selection
// query to the text and extents queries, so no conversion can go wrong between them. A selection of
// more characters than the limit has bytes is not fetched at all; one that could not be read whole
// in time is not read.
Selection readSelection(AtspiAccessible* accessible, AXFocusSnapshot& snapshot,
                        const AtspiTimeBudget& time) {
    if (!time.arm())
        return Selection::read;
    AtspiRef<AtspiText> text(atspi_accessible_get_text_iface(accessible));
    if (!text)
        return Selection::read;
    AtspiTextFlow flow(std::move(text), time);
    const auto read = FlowingSelection::read(flow);
    if (!read)
        return read.error().kind() == CaptureError::Kind::selectionTooLarge ? Selection::tooLarge
                                                                            : Selection::read;
    if (*read) {
        snapshot.selectedText = (*read)->text;
        snapshot.joinedFromEmbeddedTexts = flow.expandedEmbeddedObjects();
        snapshot.selectsWholeElement =
            snapshot.joinedFromEmbeddedTexts &&
            tellOfTexts(EmbeddedObjects::selectsWhole, accessible, time) == true;
        snapshot.selectionBounds = flow.bounds(**read);
    }
    return Selection::read;
}

// What holds the selection that the accessible shows: the accessible itself, or, when it selects
// nothing itself and is no text with a caret, the web page that it is part of: a button or a
// link that the user clicked leaves the page's selection as it was.
AtspiRef<AtspiAccessible> selectionHolder(AtspiAccessible* accessible, bool selectsItself,
                                          bool caretOnly, const AtspiTimeBudget& time) {
    AtspiRef<AtspiAccessible> page =
        selectsItself || caretOnly ? AtspiRef<AtspiAccessible>() : pageAround(accessible, time);
    if (page)
        return page;
    return AtspiRef<AtspiAccessible>::retaining(accessible);
}

} // namespace

// libatspi, whose state is process-wide, on the thread that runs GLib's default main context:
// every call and every message of its connections is handled there. One for the process, made on
// first use.
class SystemAXClient::Accessibility {
public:
    static Accessibility& shared() {
        static Accessibility accessibility;
        return accessibility;
    }

    Accessibility() : m_thread(Base::GlibThread::shared()) {
        m_thread.run([this] {
            m_connection = AtspiConnection::start(focusChanges());
            if (m_connection)
                m_focus.emplace(m_connection->bus());
            else
                logger.error("AT-SPI unavailable: no accessibility bus");
        });
    }

    ~Accessibility() {
        m_thread.run([this] {
            // The elements that the locator holds go before libatspi stops.
            m_focus.reset();
            m_connection.reset();
        });
    }

    bool available() const { return m_focus.has_value(); }
    // Only on the thread, and only when available.
    FocusLocator& focus() { return *m_focus; }
    // Runs `work` on the thread and waits for it.
    void run(std::function<void()> work) { m_thread.run(std::move(work)); }

private:
    // For the locator, once there is one: changes come as libatspi starts too.
    AtspiConnection::Events focusChanges() {
        return {[this](const QByteArray& bus, const QByteArray& path) {
                    if (m_focus)
                        m_focus->noteFocused(bus, path);
                },
                [this](const QByteArray& bus) {
                    if (m_focus)
                        m_focus->noteDeparted(bus);
                }};
    }

    Base::GlibThread& m_thread;
    std::optional<FocusLocator> m_focus;
    std::unique_ptr<AtspiConnection> m_connection;
};

SystemAXClient::SystemAXClient(const Base::Clock& clock)
    : m_clock(clock), m_accessibility(Accessibility::shared()), m_x11(X11Connection::open()) {}

SystemAXClient::~SystemAXClient() = default;

bool SystemAXClient::isTrusted() {
    return true;
}

bool SystemAXClient::isBusAvailable() const {
    return m_accessibility.available();
}

bool SystemAXClient::isSecureEventInputEnabled() {
    return false;
}

struct SystemAXClient::FocusedElement {
    AtspiAccessible* element;
    // The elements of its application that had the focus lately, the most recent last.
    std::vector<AtspiRef<AtspiAccessible>> focusedLately;
    const AtspiTimeBudget& time;
};

Base::Result<bool, CaptureError>
SystemAXClient::withFocusedElement(AXFocusScope scope, double timeout,
                                   const std::function<void(const FocusedElement&)>& read) {
    if (!m_accessibility.available())
        return false;
    // A time-out that is not a number gets the shortest limit rather than none at all.
    const double limit =
        std::isnan(timeout) ? minimumTimeout : std::clamp(timeout, minimumTimeout, maximumTimeout);
    const AtspiTimeBudget time(m_clock, limit);
    FocusLocator::Query query{scope.pid, false};
    if (scope.kind == AXFocusScope::Kind::systemWide) {
        const auto window = m_x11 ? m_x11->activeWindow() : std::nullopt;
        // No window in front (the desktop was clicked): nothing is selected anywhere.
        if (m_x11 && !window)
            return false;
        query = {window ? m_x11->windowPid(*window) : std::nullopt, true};
    }
    Base::Result<bool, CaptureError> result = false;
    m_accessibility.run([&] {
        auto found = m_accessibility.focus().find(query, time);
        if (!found) {
            result = Base::failure(found.error());
        } else if (found->element) {
            read({found->element.get(), std::move(found->focusedLately), time});
            result = true;
        }
    });
    return result;
}

Base::Result<AXFocusSnapshot, CaptureError> SystemAXClient::focusSnapshot(AXFocusScope scope,
                                                                          double timeout) {
    if (scope.kind == AXFocusScope::Kind::application)
        logger.notice("AX focus snapshot: per-app scope (WS-B retarget to previous app)");
    Base::Result<AXFocusSnapshot, CaptureError> result = AXFocusSnapshot{};
    const auto found = withFocusedElement(scope, timeout, [&](const FocusedElement& focused) {
        AXFocusSnapshot snapshot;
        const AtspiRole role = roleCodeOf(focused.element, focused.time);
        if (role == ATSPI_ROLE_INVALID && hasGone(focused.element, focused.time)) {
            snapshot.focusGone = true;
            result = std::move(snapshot);
            return;
        }
        snapshot.role = roleOf(focused.element, role, focused.time);
        // A page that the user does not see is not read.
        if (!snapshot.isSecureField() &&
            tellOfPage(PageSelection::isOutOfSight, focused.element, {}, focused.time)) {
            snapshot.pageOutOfSight = snapshot.caretWithoutSelection = true;
            result = std::move(snapshot);
            return;
        }
        // A password field's text is never read.
        if (snapshot.isSecureField()) {
            result = std::move(snapshot);
            return;
        }
        // A control's label is no selection of its own (a browser may say that it is, when it
        // stretches a selection over the control).
        if (!isAtomicControl(role) &&
            readSelection(focused.element, snapshot, focused.time) == Selection::tooLarge) {
            result = Base::failure(CaptureError::selectionTooLarge());
            return;
        }
        const bool caretOnly =
            !snapshot.selectedText && showsCaretOnly(focused.element, role, focused.time);
        const AtspiRef<AtspiAccessible> holder =
            selectionHolder(focused.element, bool(snapshot.selectedText), caretOnly, focused.time);
        if (holder.get() != focused.element &&
            readSelection(holder.get(), snapshot, focused.time) == Selection::tooLarge) {
            result = Base::failure(CaptureError::selectionTooLarge());
            return;
        }
        // A browser still offers the selection that the user took away from the page, that of a
        // tab or window that the user left, and one whose text the page hid.
        if (!snapshot.selectedText)
            snapshot.caretWithoutSelection =
                caretOnly || showsPageWithoutSelection(focused.element, role, focused.time) ||
                tellOfPage(PageSelection::holdsNone, focused.element, focused.focusedLately,
                           focused.time) ||
                selectsNothingShown(holder.get(), focused.time);
        // An application that let the time run out leaves the answer to the next strategy.
        if (!snapshot.selectedText && focused.time.expired())
            result = Base::failure(CaptureError::timedOut());
        else
            result = std::move(snapshot);
    });
    if (!found)
        return Base::failure(found.error());
    return result;
}

std::optional<QString> SystemAXClient::pageText(AXFocusScope scope, double timeout) {
    std::optional<QString> text;
    // A focused element that could not be found leaves the text unknown, as one of no page does.
    (void)withFocusedElement(scope, timeout, [&](const FocusedElement& focused) {
        const AtspiRef<AtspiAccessible> page = pageAround(focused.element, focused.time);
        if (!page)
            return;
        const auto read = tellOfTexts(EmbeddedObjects::readWhole, page.get(), focused.time);
        if (read && *read && !focused.time.expired())
            text = **read;
    });
    return text;
}

Base::Result<std::optional<QString>, CaptureError> SystemAXClient::focusRole(AXFocusScope scope,
                                                                             double timeout) {
    std::optional<QString> role;
    bool expired = false;
    const auto found = withFocusedElement(scope, timeout, [&](const FocusedElement& focused) {
        role = roleOf(focused.element, roleCodeOf(focused.element, focused.time), focused.time);
        expired = !role && focused.time.expired();
    });
    if (!found)
        return Base::failure(found.error());
    if (expired)
        return Base::failure(CaptureError::timedOut());
    return role;
}

} // namespace Capture
