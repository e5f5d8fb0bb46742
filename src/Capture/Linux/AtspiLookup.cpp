#include "Capture/Linux/AtspiLookup.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace Capture {

namespace {

using Element = AtspiRef<AtspiAccessible>;

// The deepest that an object is looked for; more is taken for a cycle.
constexpr std::size_t maximumDepth = 256;

bool isObject(AtspiAccessible* accessible, const AtspiLookup::Reference& object) {
    const AtspiObject* named = ATSPI_OBJECT(accessible);
    return named->app && named->app->bus_name && named->path &&
           object.bus == named->app->bus_name && object.path == named->path;
}

} // namespace

AtspiLookup::AtspiLookup(DBusConnection* bus) : m_bus(bus) {}

Element AtspiLookup::root(const QByteArray& application, const AtspiTimeBudget& time) {
    const Reference object{application, AtspiBusCalls::rootPath};
    if (Element found = kept(object))
        return found;
    const auto applications = AtspiBusCalls::applications(m_bus, time);
    const qsizetype index = applications ? applications->indexOf(application) : -1;
    if (index < 0 || !time.arm())
        return Element();
    const Element desktop(atspi_get_desktop(0));
    return desktop ? keep(object, childAt(desktop.get(), qint32(index), object, time)) : Element();
}

Element AtspiLookup::find(const Reference& object, const AtspiTimeBudget& time) {
    bool fromKept = false;
    Element found = walk(object, false, fromKept, time);
    // An ancestor found before may have left the tree since.
    if (!found && fromKept)
        found = walk(object, true, fromKept, time);
    return found;
}

void AtspiLookup::forget(const QByteArray& application) {
    m_kept.erase(application);
}

Element AtspiLookup::walk(const Reference& object, bool afresh, bool& fromKept,
                          const AtspiTimeBudget& time) {
    struct Step {
        Reference object;
        qint32 index;
    };
    std::vector<Step> steps; // from the object up
    Reference current = object;
    Element ancestor;
    while (!ancestor) {
        if (current.path == AtspiBusCalls::rootPath) {
            ancestor = root(current.bus, time);
            if (!ancestor)
                return Element();
        } else if (!afresh && (ancestor = kept(current))) {
            fromKept = true;
        } else {
            const auto place = steps.size() < maximumDepth
                                   ? AtspiBusCalls::placeOf(m_bus, current, time)
                                   : std::nullopt;
            // An object that another application embeds is not followed across.
            if (!place || place->parent.bus != object.bus)
                return Element();
            steps.push_back({current, place->index});
            current = place->parent;
        }
    }
    for (auto step = steps.rbegin(); step != steps.rend() && ancestor; ++step)
        ancestor = keep(step->object, childAt(ancestor.get(), step->index, step->object, time));
    return ancestor;
}

Element AtspiLookup::kept(const Reference& object) const {
    const auto application = m_kept.find(object.bus);
    if (application == m_kept.end())
        return Element();
    const auto found = application->second.find(object.path);
    return found == application->second.end() ? Element() : found->second;
}

Element AtspiLookup::keep(const Reference& object, Element element) {
    if (!element)
        return element;
    auto& application = m_kept[object.bus];
    if (application.size() >= keptPerApplication)
        application.clear();
    application[object.path] = element;
    return element;
}

Element AtspiLookup::childAt(AtspiAccessible* parent, qint32 index, const Reference& expected,
                             const AtspiTimeBudget& time) {
    const auto at = [&](qint32 i) {
        AtspiErrorSink error;
        Element child(time.arm() ? atspi_accessible_get_child_at_index(parent, i, error.out())
                                 : nullptr);
        return child && isObject(child.get(), expected) ? child : Element();
    };
    // libatspi may answer from the children that it cached when it learned of the application,
    // which no event keeps up to date: the second time the application is asked.
    if (Element child = at(index))
        return child;
    atspi_accessible_clear_cache(parent);
    if (Element child = at(index))
        return child;
    // Firefox tells the index of each of its windows as 0: they are looked through.
    if (std::strcmp(ATSPI_OBJECT(parent)->path, AtspiBusCalls::rootPath) != 0 || !time.arm())
        return Element();
    AtspiErrorSink error;
    const qint32 windows =
        std::min(atspi_accessible_get_child_count(parent, error.out()), windowsLookedThrough);
    for (qint32 i = 0; i < windows && !error.failed(); ++i) {
        if (i == index)
            continue;
        if (Element child = at(i))
            return child;
    }
    return Element();
}

} // namespace Capture
