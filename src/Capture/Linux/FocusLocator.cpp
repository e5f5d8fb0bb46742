#include "Capture/Linux/FocusLocator.h"

namespace Capture {

using Core::CaptureError;

namespace {

// The longest a capture walks an application's tree, in seconds.
constexpr double treeWalkShare = 0.1;

using Element = AtspiRef<AtspiAccessible>;
using Answer = Base::Result<Element, CaptureError>;

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

FocusLocator::FocusLocator(DBusConnection* bus) : m_bus(bus), m_lookup(bus) {}

FocusLocator::~FocusLocator() = default;

void FocusLocator::noteFocused(const QByteArray& bus, const QByteArray& path) {
    m_changes.push_back({bus, path});
    if (!m_finding)
        applyChanges();
}

void FocusLocator::noteDeparted(const QByteArray& bus) {
    m_changes.push_back({bus, std::nullopt});
    if (!m_finding)
        applyChanges();
}

void FocusLocator::applyChanges() {
    for (const Change& change : std::exchange(m_changes, {})) {
        if (change.focusedPath) {
            m_history.noteFocused(change.bus, *change.focusedPath);
            continue;
        }
        m_history.noteDeparted(change.bus);
        m_lookup.forget(change.bus);
        if (m_searchBus == change.bus)
            m_search.reset();
    }
}

Base::Result<FocusLocator::Found, CaptureError> FocusLocator::find(const Query& query,
                                                                   const AtspiTimeBudget& time) {
    // libatspi hands on the changes that arrive while it waits for an answer: they are applied
    // once this query no longer uses what they change.
    m_finding = true;
    auto found = findNow(query, time);
    m_finding = false;
    applyChanges();
    return found;
}

Base::Result<FocusLocator::Found, CaptureError> FocusLocator::findNow(const Query& query,
                                                                      const AtspiTimeBudget& time) {
    const FocusHistory::Application* application = applicationOf(query, time);
    if (application) {
        if (auto element = remembered(*application, query, time))
            return Found{std::move(*element),
                         query.pid ? lately(*application, time) : std::vector<Element>()};
    }
    // An application that did not answer in time is not asked again.
    if (time.expired())
        return Base::failure(CaptureError::timedOut());
    auto asked = askApplications(query, time);
    if (!asked)
        return Base::failure(asked.error());
    // What the application was found to have focused is remembered, so it is lately focused too.
    application = *asked && query.pid ? applicationOf(query, time) : nullptr;
    return Found{std::move(*asked),
                 application ? lately(*application, time) : std::vector<Element>()};
}

const FocusHistory::Application* FocusLocator::applicationOf(const Query& query,
                                                             const AtspiTimeBudget& time) {
    if (!query.pid)
        return m_history.latest();
    // The process of a name is the bus's to tell, not the application's: a busy application
    // does not hold this up.
    return m_history.ofProcess(*query.pid, [&](const QByteArray& bus) {
        return AtspiBusCalls::processOf(m_bus, bus, time);
    });
}

std::optional<Element> FocusLocator::remembered(const FocusHistory::Application& application,
                                                const Query& query, const AtspiTimeBudget& time) {
    // The most recent element that is shown (and has the focus, when it must), one with text
    // first: an item view announces its current item as focused although the keyboard focus is
    // elsewhere, while a text area that loses the focus says so. GTK 4 says showing of no element
    // inside its windows, so visible counts too.
    std::optional<Element> found;
    for (auto path = application.paths.rbegin(); path != application.paths.rend(); ++path) {
        const Element element = m_lookup.find({application.bus, *path}, time);
        const auto states = element ? statesNow(element.get(), time) : AtspiRef<AtspiStateSet>();
        if (!states || !time.arm()) {
            if (time.expired())
                return found;
            continue;
        }
        const bool shown = atspi_state_set_contains(states.get(), ATSPI_STATE_SHOWING) ||
                           atspi_state_set_contains(states.get(), ATSPI_STATE_VISIBLE);
        if (atspi_state_set_contains(states.get(), ATSPI_STATE_DEFUNCT) || !shown ||
            (query.focusedNow && !atspi_state_set_contains(states.get(), ATSPI_STATE_FOCUSED)))
            continue;
        if (AtspiRef<AtspiText>(atspi_accessible_get_text_iface(element.get())))
            return element;
        if (!found)
            found = element;
    }
    return found;
}

std::vector<Element> FocusLocator::lately(const FocusHistory::Application& application,
                                          const AtspiTimeBudget& time) {
    std::vector<Element> elements;
    for (const QByteArray& path : application.paths) {
        if (Element element = m_lookup.find({application.bus, path}, time))
            elements.push_back(std::move(element));
    }
    return elements;
}

Answer FocusLocator::askApplications(const Query& query, const AtspiTimeBudget& time) {
    // Only the application asked about, so that libatspi learns of no other.
    const auto applications = AtspiBusCalls::applications(m_bus, time);
    for (qsizetype i = 0; applications && i < applications->size() && time.arm(); ++i) {
        const QByteArray& bus = applications->at(i);
        if (query.pid && AtspiBusCalls::processOf(m_bus, bus, time) != query.pid)
            continue;
        Element app = m_lookup.root(bus, time);
        if (!app)
            continue;
        std::optional<Element> found = matchFocused(app.get(), time);
        if (!found) {
            auto searched = searchTree(std::move(app), bus, query, time);
            if (!searched)
                return searched;
            found = std::move(*searched);
        }
        if (*found) {
            m_history.noteFocused(bus, ATSPI_OBJECT(found->get())->path);
            return std::move(*found);
        }
    }
    if (time.expired())
        return Base::failure(CaptureError::timedOut());
    return Element();
}

Answer FocusLocator::searchTree(Element app, const QByteArray& bus, const Query& query,
                                const AtspiTimeBudget& time) {
    // A walk through a large tree may take longer than a capture can wait: each capture gives it
    // a share of its time, and the next one for the same application goes on where it stopped,
    // while the capture's other ways answer.
    if (!m_search || !query.pid || m_searchBus != bus)
        m_search = std::make_unique<TreeSearch>(std::move(app), query.focusedNow && !query.pid);
    m_searchBus = bus;
    const auto outcome = m_search->resume(time.share(treeWalkShare));
    if (outcome == TreeSearch::Outcome::outOfTime)
        return Base::failure(CaptureError::timedOut());
    Element found = outcome == TreeSearch::Outcome::found ? m_search->found() : Element();
    m_search.reset();
    return found;
}

} // namespace Capture
