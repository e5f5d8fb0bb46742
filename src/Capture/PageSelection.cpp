#include "Capture/PageSelection.h"

#include <algorithm>

namespace Capture::PageSelection {

namespace {

// Deeper than any page nests the element that has the focus; a faulty tree whose parents go round
// in a circle is not climbed forever.
constexpr int deepestNesting = 256;

// Up to the window, which ends the way up: one that cannot be followed there may pass by a
// document that holds a selection.
bool inPageSelectingNothing(WebPage& page) {
    bool inPage = false;
    WebPage::Node node = 0;
    for (int depth = 0; depth < deepestNesting; ++depth) {
        const auto role = page.role(node);
        if (!role)
            return false;
        if (*role == WebPage::Role::window)
            return inPage;
        const bool document = *role == WebPage::Role::document;
        if ((document || node == 0) && page.selectionCount(node) != 0)
            return false;
        inPage = inPage || document;
        const auto parent = page.parent(node);
        if (!parent)
            return false;
        node = *parent;
    }
    return false;
}

} // namespace

bool holdsNone(WebPage& page) {
    if (!inPageSelectingNothing(page))
        return false;
    const auto lately = page.documentsFocusedLately();
    return lately && std::ranges::all_of(*lately, [&](WebPage::Node document) {
               return page.selectionCount(document) == 0;
           });
}

} // namespace Capture::PageSelection
