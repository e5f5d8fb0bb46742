#include "Capture/PageSelection.h"

#include <algorithm>

namespace Capture::PageSelection {

namespace {

using Node = WebPage::Node;
using Role = WebPage::Role;

// Deeper than any page nests the element that has the focus; a faulty tree whose parents go round
// in a circle is not climbed forever.
constexpr int deepestNesting = 256;

// The accessibles from the focused one up to its window, when it is part of a web page none of
// whose documents on the way holds a selection; nothing otherwise. The window ends the way up: one
// that cannot be followed there may pass by a document that holds a selection.
std::optional<QList<Node>> wayUpSelectingNothing(WebPage& page) {
    QList<Node> way;
    bool inPage = false;
    Node node = 0;
    for (int depth = 0; depth < deepestNesting; ++depth) {
        const auto role = page.role(node);
        if (!role)
            return std::nullopt;
        way.append(node);
        if (*role == Role::window)
            return inPage ? std::optional(way) : std::nullopt;
        const bool document = *role == Role::document;
        if ((document || node == 0) && page.selectionCount(node) != 0)
            return std::nullopt;
        inPage = inPage || document;
        const auto parent = page.parent(node);
        if (!parent || *parent == WebPage::none)
            return std::nullopt;
        node = *parent;
    }
    return std::nullopt;
}

// Whether a document is on show in the focused window now: it and each accessible above it say
// that they are showing, up to one on the focused accessible's way up. The page of another tab is
// not showing, or is out of the tree, and that of another window meets that window first. Nothing
// when that could not be told.
std::optional<bool> onShowInFocusedWindow(WebPage& page, Node document,
                                          const QList<Node>& focusedWayUp) {
    Node node = document;
    for (int depth = 0; depth < deepestNesting; ++depth) {
        if (focusedWayUp.contains(node))
            return true;
        const auto role = page.role(node);
        const auto showing = page.isShowing(node);
        if (!role || !showing)
            return std::nullopt;
        if (*role == Role::window || !*showing)
            return false;
        const auto parent = page.parent(node);
        if (!parent)
            return std::nullopt;
        if (*parent == WebPage::none)
            return false;
        node = *parent;
    }
    return std::nullopt;
}

} // namespace

bool holdsNone(WebPage& page) {
    const auto wayUp = wayUpSelectingNothing(page);
    if (!wayUp)
        return false;
    const auto lately = page.documentsFocusedLately();
    // Only a document that holds a selection needs to tell whether it is on show.
    return lately && std::ranges::all_of(*lately, [&](Node document) {
               const auto selections = page.selectionCount(document);
               if (!selections)
                   return false;
               if (*selections == 0)
                   return true;
               const auto onShow = onShowInFocusedWindow(page, document, *wayUp);
               return onShow && !*onShow;
           });
}

bool isOutOfSight(WebPage& page) {
    if (page.role(0) != Role::document)
        return false;
    const auto showing = page.isShowing(0);
    if (showing == false)
        return true;
    return showing && page.parent(0) == WebPage::none;
}

} // namespace Capture::PageSelection
