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
// The longest a capture walks an application's tree, in seconds.
constexpr double treeWalkShare = 0.1;

using Element = AtspiRef<AtspiAccessible>;
using Found = Base::Result<Element, CaptureError>;

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

// The element's states as the application itself says them now: libatspi answers the states of
// an application that offers them in bulk from its cache, which a focus change whose event went
// missing leaves saying focused, so that an element focused before would be read again, and which
// does not follow the showing state.
AtspiRef<AtspiStateSet> statesNow(AtspiAccessible* element, const AtspiTimeBudget& time) {
    atspi_accessible_clear_cache(element);
    return statesOf(element, time);
}

// The element has the focus now, as the application itself says.
bool focusedNow(AtspiAccessible* element, const AtspiTimeBudget& time) {
    const auto states = statesNow(element, time);
    return states && atspi_state_set_contains(states.get(), ATSPI_STATE_FOCUSED) &&
           !atspi_state_set_contains(states.get(), ATSPI_STATE_DEFUNCT);
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

} // namespace

// Walks an application's tree node by node, depth first, for an application that answers no
// Collection match. Large containers that manage their own items (tables, long lists) are not
// entered. A walk that runs out of time goes on from where it stopped when it is resumed.
class TreeSearch {
public:
    enum class Outcome { found, exhausted, outOfTime };

    TreeSearch(Element app, bool activeWindowsOnly) : m_activeWindowsOnly(activeWindowsOnly) {
        m_path.push_back({std::move(app), unknownCount});
    }

    Outcome resume(const AtspiTimeBudget& time) {
        while (!m_path.empty()) {
            Level& level = m_path.back();
            if (level.next == unknownCount) {
                const gint count = childCount(level.node.get(), time);
                if (time.expired())
                    return Outcome::outOfTime;
                level.next = count - 1;
            }
            if (level.next < 0) {
                m_path.pop_back();
                continue;
            }
            const auto visited = visitNextChild(time);
            if (visited == Visit::outOfTime)
                return Outcome::outOfTime;
            if (visited == Visit::found)
                return Outcome::found;
        }
        return Outcome::exhausted;
    }

    const Element& found() const { return m_found; }

private:
    static constexpr gint unknownCount = -2;

    struct Level {
        Element node;
        gint next; // the next child to visit, counting down: a window lays out its menus, tool
                   // bars and header bar before its content, where the focus usually is
    };
    enum class Visit { found, next, outOfTime };

    // Visits the deepest level's next child; a child that the time ran out on is visited again.
    Visit visitNextChild(const AtspiTimeBudget& time) {
        const bool isWindow = m_path.size() == 1;
        Element child = childAt(m_path.back().node.get(), m_path.back().next, time);
        const auto states = child ? statesOf(child.get(), time) : AtspiRef<AtspiStateSet>();
        const bool focused = !isWindow && states &&
                             atspi_state_set_contains(states.get(), ATSPI_STATE_FOCUSED) &&
                             focusedNow(child.get(), time);
        if (time.expired())
            return Visit::outOfTime;
        --m_path.back().next;
        if (focused) {
            m_found = std::move(child);
            return Visit::found;
        }
        if (states && enters(isWindow, states.get()))
            m_path.push_back({std::move(child), unknownCount});
        return Visit::next;
    }

    // GTK 4 says showing of no element inside its windows: an element that says visible is
    // entered whether it says showing or not.
    bool enters(bool isWindow, AtspiStateSet* states) const {
        if (isWindow)
            return !m_activeWindowsOnly || atspi_state_set_contains(states, ATSPI_STATE_ACTIVE);
        const bool hidden = !atspi_state_set_contains(states, ATSPI_STATE_VISIBLE) &&
                            !atspi_state_set_contains(states, ATSPI_STATE_SHOWING);
        return !hidden && !atspi_state_set_contains(states, ATSPI_STATE_MANAGES_DESCENDANTS);
    }

    // None once the time is up.
    static gint childCount(AtspiAccessible* node, const AtspiTimeBudget& time) {
        if (!time.arm())
            return 0;
        AtspiErrorSink error;
        const gint count = atspi_accessible_get_child_count(node, error.out());
        return error.failed() ? 0 : count;
    }
    static Element childAt(AtspiAccessible* node, gint index, const AtspiTimeBudget& time) {
        if (!time.arm())
            return Element();
        AtspiErrorSink error;
        return Element(atspi_accessible_get_child_at_index(node, index, error.out()));
    }

    const bool m_activeWindowsOnly;
    std::vector<Level> m_path;
    Element m_found;
};

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

std::vector<Element> FocusLocator::focusedLately(qint32 pid) const {
    const auto focus = m_focus.find(pid);
    if (focus == m_focus.end())
        return {};
    return {focus->second.elements.begin(), focus->second.elements.end()};
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
    // The most recent element that is shown (and has the focus, when it must), one with text
    // first: an item view announces its current item as focused although the keyboard focus is
    // elsewhere, while a text area that loses the focus says so. GTK 4 says showing of no element
    // inside its windows, so visible counts too.
    const auto& elements = latest->second.elements;
    std::optional<Element> found;
    for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
        const auto states = statesNow(it->get(), time);
        if (!states || !time.arm())
            return found;
        const bool shown = atspi_state_set_contains(states.get(), ATSPI_STATE_SHOWING) ||
                           atspi_state_set_contains(states.get(), ATSPI_STATE_VISIBLE);
        if (atspi_state_set_contains(states.get(), ATSPI_STATE_DEFUNCT) || !shown ||
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
    for (gint i = 0; i < apps && time.arm(); ++i) {
        Element app(atspi_accessible_get_child_at_index(desktop.get(), i, error.out()));
        if (!app)
            continue;
        const auto pid = processOf(app.get(), time);
        if (query.pid && pid != query.pid)
            continue;
        std::optional<Element> found = matchFocused(app.get(), time);
        if (!found) {
            auto searched = searchTree(std::move(app), pid, query, time);
            if (!searched)
                return searched;
            found = std::move(*searched);
        }
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

Found FocusLocator::searchTree(Element app, std::optional<qint32> pid, const Query& query,
                               const AtspiTimeBudget& time) {
    // A walk through a large tree may take longer than a capture can wait: each capture gives it
    // a share of its time, and the next one for the same application goes on where it stopped,
    // while the capture's other ways answer.
    if (!m_search || !pid || m_searchPid != pid)
        m_search = std::make_unique<TreeSearch>(std::move(app), query.focusedNow && !query.pid);
    m_searchPid = pid;
    const auto outcome = m_search->resume(time.share(treeWalkShare));
    if (outcome == TreeSearch::Outcome::outOfTime)
        return Base::failure(CaptureError::timedOut());
    Element found = outcome == TreeSearch::Outcome::found ? m_search->found() : Element();
    m_search.reset();
    return found;
}

} // namespace Capture
