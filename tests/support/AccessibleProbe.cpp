// Usage: parlino-accessible-probe [--pid <pid>] dump | find <name> [<window>] |
//        press <name> [<window>]
//
// Looks into the running application through the accessibility bus (start it with
// QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1): `dump` lists every showing element with its role, name,
// checked, selected and focused states, text (of a text element) and place on the screen; `find` prints the
// place "x y width height" of the first showing element with exactly that name (in the window with
// that title, when one is given); `press` performs that element's first action, as a click would.
// `--pid` looks into the application with that process id rather than the latest one named
// Parlino. Exit status 1: no such element
// shows.
#include <atspi/atspi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

namespace {

template <class T> struct GFree {
    void operator()(T* pointer) const { g_free(pointer); }
};
using Text = std::unique_ptr<gchar, GFree<gchar>>;

struct Unref {
    void operator()(void* object) const { g_object_unref(object); }
};
using Accessible = std::unique_ptr<AtspiAccessible, Unref>;

struct Place {
    int x = 0, y = 0, width = 0, height = 0;
};

std::string nameOf(AtspiAccessible* element) {
    const Text name(atspi_accessible_get_name(element, nullptr));
    return name ? name.get() : "";
}

bool isShowing(AtspiAccessible* element) {
    std::unique_ptr<AtspiStateSet, Unref> states(atspi_accessible_get_state_set(element));
    return states && atspi_state_set_contains(states.get(), ATSPI_STATE_SHOWING);
}

Place placeOf(AtspiAccessible* element) {
    std::unique_ptr<AtspiComponent, Unref> component(atspi_accessible_get_component_iface(element));
    if (!component)
        return {};
    AtspiRect* rect =
        atspi_component_get_extents(component.get(), ATSPI_COORD_TYPE_SCREEN, nullptr);
    if (!rect)
        return {};
    const Place place{rect->x, rect->y, rect->width, rect->height};
    g_free(rect);
    return place;
}

// What a screen reader says beyond the role and the name: " checked", " selected", " focused",
// and the text of a text element after " text=".
std::string extrasOf(AtspiAccessible* element) {
    std::string extras;
    std::unique_ptr<AtspiStateSet, Unref> states(atspi_accessible_get_state_set(element));
    if (states && atspi_state_set_contains(states.get(), ATSPI_STATE_CHECKED))
        extras += " checked";
    if (states && atspi_state_set_contains(states.get(), ATSPI_STATE_SELECTED))
        extras += " selected";
    if (states && atspi_state_set_contains(states.get(), ATSPI_STATE_FOCUSED))
        extras += " focused";
    if (atspi_accessible_get_role(element, nullptr) == ATSPI_ROLE_TEXT) {
        std::unique_ptr<AtspiText, Unref> text(atspi_accessible_get_text_iface(element));
        const Text content(text ? atspi_text_get_text(text.get(), 0, -1, nullptr) : nullptr);
        extras += std::string(" text=\"") + (content ? content.get() : "") + "\"";
    }
    return extras;
}

// Visits the showing elements under `element`, depth first, until `visit` returns true.
bool walk(AtspiAccessible* element, int depth,
          const std::function<bool(AtspiAccessible*, int)>& visit) {
    if (depth > 0 && !isShowing(element))
        return false;
    if (visit(element, depth))
        return true;
    const int count = atspi_accessible_get_child_count(element, nullptr);
    for (int i = 0; i < count; ++i) {
        const Accessible child(atspi_accessible_get_child_at_index(element, i, nullptr));
        if (child && walk(child.get(), depth + 1, visit))
            return true;
    }
    return false;
}

// The application's root on the accessibility bus: the one with process id `pid`, or without one
// the latest named Parlino. The latest come first: an application gone without leaving the bus
// answers nothing until the bus gives up on it.
Accessible application(long pid) {
    const Accessible desktop(atspi_get_desktop(0));
    const int count = atspi_accessible_get_child_count(desktop.get(), nullptr);
    for (int i = count - 1; i >= 0; --i) {
        Accessible app(atspi_accessible_get_child_at_index(desktop.get(), i, nullptr));
        if (!app)
            continue;
        if (pid > 0 ? long(atspi_accessible_get_process_id(app.get(), nullptr)) == pid
                    : strcasecmp(nameOf(app.get()).c_str(), "parlino") == 0)
            return app;
    }
    return nullptr;
}

Accessible findNamed(AtspiAccessible* app, const std::string& name, const char* window) {
    Accessible found;
    bool inWindow = !window;
    walk(app, 0, [&](AtspiAccessible* element, int depth) {
        if (depth == 1 && window)
            inWindow = nameOf(element) == window;
        if (depth == 0 || !inWindow || nameOf(element) != name)
            return false;
        found.reset(static_cast<AtspiAccessible*>(g_object_ref(element)));
        return true;
    });
    return found;
}

} // namespace

int main(int argc, char** argv) {
    long pid = 0;
    if (argc > 2 && std::strcmp(argv[1], "--pid") == 0) {
        pid = std::strtol(argv[2], nullptr, 10);
        argv += 2;
        argc -= 2;
    }
    const std::string command = argc > 1 ? argv[1] : "";
    if (!(command == "dump" && argc == 2) &&
        !((command == "find" || command == "press") && (argc == 3 || argc == 4))) {
        std::fputs("usage: parlino-accessible-probe [--pid <pid>] dump | find <name> [<window>] | "
                   "press <name> [<window>]\n",
                   stderr);
        return 2;
    }
    if (atspi_init() < 0)
        return 1;
    const Accessible app = application(pid);
    if (!app)
        return 1;
    if (command == "dump") {
        walk(app.get(), 0, [](AtspiAccessible* element, int depth) {
            const Text role(atspi_accessible_get_role_name(element, nullptr));
            const Place place = placeOf(element);
            std::printf("%*s%s \"%s\"%s %d %d %d %d\n", depth * 2, "", role ? role.get() : "?",
                        nameOf(element).c_str(), extrasOf(element).c_str(), place.x, place.y,
                        place.width, place.height);
            return false;
        });
        return 0;
    }
    const Accessible element = findNamed(app.get(), argv[2], argc == 4 ? argv[3] : nullptr);
    if (!element)
        return 1;
    if (command == "find") {
        const Place place = placeOf(element.get());
        std::printf("%d %d %d %d\n", place.x, place.y, place.width, place.height);
        return 0;
    }
    std::unique_ptr<AtspiAction, Unref> action(atspi_accessible_get_action_iface(element.get()));
    return action && atspi_action_do_action(action.get(), 0, nullptr) ? 0 : 1;
}
