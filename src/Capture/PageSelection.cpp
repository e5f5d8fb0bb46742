#include "Capture/PageSelection.h"

namespace Capture::PageSelection {

namespace {

// Deeper than any page nests the element that has the focus; a faulty tree whose parents go round
// in a circle is not climbed forever.
constexpr int deepestNesting = 256;

} // namespace

bool holdsNone(WebPage& page) {
    // Up to the window, which ends the way up: one that cannot be followed there may pass by a
    // document that holds a selection.
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

} // namespace Capture::PageSelection
