#include "Capture/Linux/FocusLocator.h"

#include "Base/Log.h"

namespace Capture {

using Core::CaptureError;

namespace {

const Base::Log logger("focus-diag");

// How many applications' focused elements are kept.
constexpr std::size_t rememberedApplications = 32;

using Element = AtspiRef<AtspiAccessible>;
using Found = Base::Result<Element, CaptureError>;

std::optional<qint32> processOf(AtspiAccessible* element) {
    AtspiErrorSink error;
    const guint pid = atspi_accessible_get_process_id(element, error.out());
    if (error.failed() || pid == 0 || pid > 0x7fffffff)
        return std::nullopt;
    return static_cast<qint32>(pid);
}

bool hasState(AtspiAccessible* element, AtspiStateType state) {
    AtspiRef<AtspiStateSet> states(atspi_accessible_get_state_set(element));
    return states && atspi_state_set_contains(states.get(), state);
}

// Asks the application for its focused element with one Collection match. Nothing when the
// application does not implement Collection; an empty element when it has no focused one.
std::optional<Element> matchFocused(AtspiAccessible* app) {
    AtspiRef<AtspiStateSet> states(atspi_state_set_new(nullptr));
    atspi_state_set_add(states.get(), ATSPI_STATE_FOCUSED);
    GHashTable* noAttributes = g_hash_table_new(g_str_hash, g_str_equal);
    AtspiRef<AtspiMatchRule> rule(atspi_match_rule_new(
        states.get(), ATSPI_Collection_MATCH_ALL, noAttributes, ATSPI_Collection_MATCH_ALL, nullptr,
        ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_ALL, FALSE));
    g_hash_table_unref(noAttributes);
    AtspiErrorSink error;
    GArray* matches =
        atspi_collection_get_matches(ATSPI_COLLECTION(app), rule.get(),
                                     ATSPI_Collection_SORT_ORDER_CANONICAL, 1, TRUE, error.out());
    std::optional<Element> result;
    if (!error.failed())
        result = Element();
    for (guint i = 0; matches && i < matches->len; ++i) {
        Element match(g_array_index(matches, AtspiAccessible*, i));
        if (result && !*result)
            result = std::move(match);
    }
    if (matches)
        g_array_free(matches, TRUE);
    return result;
}

// Walks an application's tree node by node, depth first through what is on screen, for an
// application that answers no Collection match. Large containers that manage their own items
// (tables, long lists) are not entered.
class TreeSearch {
public:
    TreeSearch(const Base::Clock& clock, double deadline, bool activeWindowsOnly)
        : m_clock(clock), m_deadline(deadline), m_activeWindowsOnly(activeWindowsOnly) {}

    bool expired() const { return m_clock.now() >= m_deadline; }

    Element inWindowsOf(AtspiAccessible* app) {
        AtspiErrorSink error;
        const gint windows = atspi_accessible_get_child_count(app, error.out());
        for (gint i = 0; i < windows && !expired(); ++i) {
            Element window(atspi_accessible_get_child_at_index(app, i, error.out()));
            if (!window || (m_activeWindowsOnly && !hasState(window.get(), ATSPI_STATE_ACTIVE)))
                continue;
            if (auto found = below(window.get()))
                return found;
        }
        return Element();
    }

private:
    Element below(AtspiAccessible* node) {
        AtspiErrorSink error;
        const gint children = atspi_accessible_get_child_count(node, error.out());
        for (gint i = 0; i < children && !expired(); ++i) {
            Element child(atspi_accessible_get_child_at_index(node, i, error.out()));
            if (!child)
                continue;
            AtspiRef<AtspiStateSet> states(atspi_accessible_get_state_set(child.get()));
            if (!states || !atspi_state_set_contains(states.get(), ATSPI_STATE_SHOWING))
                continue;
            if (atspi_state_set_contains(states.get(), ATSPI_STATE_FOCUSED))
                return child;
            if (atspi_state_set_contains(states.get(), ATSPI_STATE_MANAGES_DESCENDANTS))
                continue;
            if (auto found = below(child.get()))
                return found;
        }
        return Element();
    }

    const Base::Clock& m_clock;
    const double m_deadline;
    const bool m_activeWindowsOnly;
};

} // namespace

FocusLocator::FocusLocator()
    : m_listener(atspi_event_listener_new(&FocusLocator::onFocusEvent, this, nullptr)) {
    AtspiErrorSink error;
    if (!atspi_event_listener_register(m_listener, "object:state-changed:focused", error.out()))
        logger.error("focus changes not followed: %s",
                     error.failed() ? error.error->message : "refused");
}

FocusLocator::~FocusLocator() {
    AtspiErrorSink error;
    atspi_event_listener_deregister(m_listener, "object:state-changed:focused", error.out());
    g_object_unref(m_listener);
}

void FocusLocator::onFocusEvent(AtspiEvent* event, void* self) {
    if (event->detail1 == 1 && event->source)
        static_cast<FocusLocator*>(self)->noteFocused(event->source);
    g_boxed_free(ATSPI_TYPE_EVENT, event);
}

void FocusLocator::noteFocused(AtspiAccessible* element) {
    const auto pid = processOf(element);
    if (!pid)
        return;
    m_focus[*pid] = {Element(static_cast<AtspiAccessible*>(g_object_ref(element))), ++m_sequence};
    // Applications come and go all day: only the most recently focused ones are kept.
    if (m_focus.size() > rememberedApplications) {
        auto oldest = m_focus.begin();
        for (auto it = m_focus.begin(); it != m_focus.end(); ++it) {
            if (it->second.sequence < oldest->second.sequence)
                oldest = it;
        }
        m_focus.erase(oldest);
    }
}

Found FocusLocator::find(const Query& query, const Base::Clock& clock, double deadline) {
    if (auto element = remembered(query))
        return std::move(*element);
    // An application that did not answer in time is not asked again.
    if (clock.now() >= deadline)
        return Base::failure(CaptureError::timedOut());
    return askApplications(query, clock, deadline);
}

std::optional<Element> FocusLocator::remembered(const Query& query) {
    auto latest = m_focus.end();
    if (query.pid) {
        latest = m_focus.find(*query.pid);
    } else {
        for (auto it = m_focus.begin(); it != m_focus.end(); ++it) {
            if (latest == m_focus.end() || it->second.sequence > latest->second.sequence)
                latest = it;
        }
    }
    if (latest == m_focus.end() || !stillUsable(latest->second.element.get(), query.focusedNow))
        return std::nullopt;
    return latest->second.element;
}

bool FocusLocator::stillUsable(AtspiAccessible* element, bool focusedNow) {
    AtspiRef<AtspiStateSet> states(atspi_accessible_get_state_set(element));
    if (!states || atspi_state_set_contains(states.get(), ATSPI_STATE_DEFUNCT))
        return false;
    return !focusedNow || atspi_state_set_contains(states.get(), ATSPI_STATE_FOCUSED);
}

Found FocusLocator::askApplications(const Query& query, const Base::Clock& clock, double deadline) {
    Element desktop(atspi_get_desktop(0));
    if (!desktop)
        return Element();
    TreeSearch search(clock, deadline, query.focusedNow && !query.pid);
    AtspiErrorSink error;
    const gint apps = atspi_accessible_get_child_count(desktop.get(), error.out());
    for (gint i = 0; i < apps && !search.expired(); ++i) {
        Element app(atspi_accessible_get_child_at_index(desktop.get(), i, error.out()));
        if (!app)
            continue;
        const auto pid = processOf(app.get());
        if (query.pid && pid != query.pid)
            continue;
        auto found = matchFocused(app.get());
        if (!found)
            found = search.inWindowsOf(app.get());
        if (*found) {
            if (pid)
                m_focus[*pid] = {*found, ++m_sequence};
            return std::move(*found);
        }
    }
    if (search.expired())
        return Base::failure(CaptureError::timedOut());
    return Element();
}

} // namespace Capture
