#include "Capture/Linux/FocusLocator.h"

#include "Base/Log.h"

namespace Capture {

using Core::CaptureError;

namespace {

const Base::Log logger("focus-diag");

// How many applications' focused elements are kept, and how many focus changes wait for the
// next query.
constexpr std::size_t rememberedApplications = 32;
constexpr std::size_t pendingFocusChanges = 16;
// How many of an application's latest focused elements are kept.
constexpr std::size_t rememberedPerApplication = 4;

using Element = AtspiRef<AtspiAccessible>;
using Found = Base::Result<Element, CaptureError>;

// libatspi attaches the direct connection it opens to an application to the process's default
// main context, which is the Qt main thread's: that connection's messages would be handled on
// the main thread beside this one, and answers to this thread's calls would wait for it. Moved
// to this thread's context, every libatspi call and message stays on the AT-SPI thread.
void keepOnThisThread(AtspiAccessible* element) {
    AtspiApplication* app = element->parent.app;
    if (app && app->bus)
        atspi_dbus_connection_setup_with_g_main(app->bus, g_main_context_get_thread_default());
}

std::optional<qint32> processOf(AtspiAccessible* element, const AtspiTimeBudget& time) {
    if (!time.arm())
        return std::nullopt;
    AtspiErrorSink error;
    const guint pid = atspi_accessible_get_process_id(element, error.out());
    if (error.failed() || pid == 0 || pid > 0x7fffffff)
        return std::nullopt;
    return static_cast<qint32>(pid);
}

// Nothing once the time is up.
AtspiRef<AtspiStateSet> statesOf(AtspiAccessible* element, const AtspiTimeBudget& time) {
    if (!time.arm())
        return AtspiRef<AtspiStateSet>();
    return AtspiRef<AtspiStateSet>(atspi_accessible_get_state_set(element));
}

// Asks the application for its focused element with one Collection match. Nothing when the
// application does not implement Collection or did not answer; an empty element when it has
// no focused one.
std::optional<Element> matchFocused(AtspiAccessible* app, const AtspiTimeBudget& time) {
    if (!time.arm())
        return std::nullopt;
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
    TreeSearch(const AtspiTimeBudget& time, bool activeWindowsOnly)
        : m_time(time), m_activeWindowsOnly(activeWindowsOnly) {}

    Element inWindowsOf(AtspiAccessible* app) {
        for (gint i = 0, windows = childCount(app); i < windows; ++i) {
            Element window = childAt(app, i);
            if (!window)
                continue;
            if (m_activeWindowsOnly) {
                const auto states = statesOf(window.get(), m_time);
                if (!states || !atspi_state_set_contains(states.get(), ATSPI_STATE_ACTIVE))
                    continue;
            }
            if (auto found = below(window.get()))
                return found;
        }
        return Element();
    }

private:
    Element below(AtspiAccessible* node) {
        for (gint i = 0, children = childCount(node); i < children; ++i) {
            Element child = childAt(node, i);
            const auto states = child ? statesOf(child.get(), m_time) : AtspiRef<AtspiStateSet>();
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

    // None once the time is up.
    gint childCount(AtspiAccessible* node) {
        if (!m_time.arm())
            return 0;
        AtspiErrorSink error;
        const gint count = atspi_accessible_get_child_count(node, error.out());
        return error.failed() ? 0 : count;
    }
    Element childAt(AtspiAccessible* node, gint index) {
        if (!m_time.arm())
            return Element();
        AtspiErrorSink error;
        return Element(atspi_accessible_get_child_at_index(node, index, error.out()));
    }

    const AtspiTimeBudget& m_time;
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
    auto& locator = *static_cast<FocusLocator*>(self);
    if (event->source)
        keepOnThisThread(event->source);
    if (event->detail1 == 1 && event->source) {
        locator.m_newlyFocused.emplace_back(
            static_cast<AtspiAccessible*>(g_object_ref(event->source)));
        if (locator.m_newlyFocused.size() > pendingFocusChanges)
            locator.m_newlyFocused.pop_front();
    }
    g_boxed_free(ATSPI_TYPE_EVENT, event);
}

void FocusLocator::fileFocused(const AtspiTimeBudget& time) {
    // The process of an element is the bus's to tell, not the application's: a busy application
    // does not hold this up.
    while (!m_newlyFocused.empty()) {
        Element element = std::move(m_newlyFocused.front());
        m_newlyFocused.pop_front();
        if (const auto pid = processOf(element.get(), time))
            remember(*pid, std::move(element));
    }
}

void FocusLocator::remember(qint32 pid, Element element) {
    Focus& focus = m_focus[pid];
    std::erase_if(focus.elements, [&](const Element& e) { return e.get() == element.get(); });
    focus.elements.push_back(std::move(element));
    if (focus.elements.size() > rememberedPerApplication)
        focus.elements.pop_front();
    focus.sequence = ++m_sequence;
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

Found FocusLocator::find(const Query& query, const AtspiTimeBudget& time) {
    fileFocused(time);
    if (auto element = remembered(query, time))
        return std::move(*element);
    // An application that did not answer in time is not asked again.
    if (time.expired())
        return Base::failure(CaptureError::timedOut());
    return askApplications(query, time);
}

std::optional<Element> FocusLocator::remembered(const Query& query, const AtspiTimeBudget& time) {
    auto latest = m_focus.end();
    if (query.pid) {
        latest = m_focus.find(*query.pid);
    } else {
        for (auto it = m_focus.begin(); it != m_focus.end(); ++it) {
            if (latest == m_focus.end() || it->second.sequence > latest->second.sequence)
                latest = it;
        }
    }
    if (latest == m_focus.end())
        return std::nullopt;
    // The most recent element that shows (and has the focus, when it must), one with text first:
    // an item view announces its current item as focused although the keyboard focus is
    // elsewhere, while a text area that loses the focus says so. Asked afresh: the showing state
    // is not followed.
    const auto& elements = latest->second.elements;
    std::optional<Element> found;
    for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
        keepOnThisThread(it->get());
        atspi_accessible_clear_cache(it->get());
        const auto states = statesOf(it->get(), time);
        if (!states || !time.arm())
            return found;
        if (atspi_state_set_contains(states.get(), ATSPI_STATE_DEFUNCT) ||
            !atspi_state_set_contains(states.get(), ATSPI_STATE_SHOWING) ||
            (query.focusedNow && !atspi_state_set_contains(states.get(), ATSPI_STATE_FOCUSED)))
            continue;
        if (AtspiRef<AtspiText>(atspi_accessible_get_text_iface(it->get())))
            return *it;
        if (!found)
            found = *it;
    }
    return found;
}

Found FocusLocator::askApplications(const Query& query, const AtspiTimeBudget& time) {
    Element desktop(atspi_get_desktop(0));
    if (!desktop || !time.arm())
        return Element();
    AtspiErrorSink error;
    const gint apps = atspi_accessible_get_child_count(desktop.get(), error.out());
    TreeSearch search(time, query.focusedNow && !query.pid);
    for (gint i = 0; i < apps && time.arm(); ++i) {
        Element app(atspi_accessible_get_child_at_index(desktop.get(), i, error.out()));
        if (!app)
            continue;
        keepOnThisThread(app.get());
        const auto pid = processOf(app.get(), time);
        if (query.pid && pid != query.pid)
            continue;
        auto found = matchFocused(app.get(), time);
        if (!found)
            found = search.inWindowsOf(app.get());
        if (*found) {
            if (pid)
                remember(*pid, *found);
            return std::move(*found);
        }
    }
    if (time.expired())
        return Base::failure(CaptureError::timedOut());
    return Element();
}

} // namespace Capture
