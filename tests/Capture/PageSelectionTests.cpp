#include "Capture/PageSelection.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <vector>

using namespace Capture;
using Role = WebPage::Role;
using Node = WebPage::Node;

namespace {

// A browser's window as its accessibles show it: each element with its parent (`none` at the top,
// absent when unreadable), its selection count and whether it says that it is showing (each absent
// when unreadable). Answers only a given number of calls in time.
class FakeWebPage final : public WebPage {
public:
    struct Element {
        std::optional<Role> role;
        std::optional<Node> parent;
        std::optional<qint32> selections = 0;
        std::optional<bool> showing = true;
    };

    std::optional<Role> role(Node node) override {
        if (!answer())
            return std::nullopt;
        return elements[size_t(node)].role;
    }
    std::optional<Node> parent(Node node) override {
        if (!answer())
            return std::nullopt;
        return elements[size_t(node)].parent;
    }
    std::optional<qint32> selectionCount(Node node) override {
        if (!answer())
            return std::nullopt;
        return elements[size_t(node)].selections;
    }
    std::optional<bool> isShowing(Node node) override {
        if (!answer())
            return std::nullopt;
        return elements[size_t(node)].showing;
    }
    std::optional<QList<Node>> documentsFocusedLately() override {
        if (!answer())
            return std::nullopt;
        return focusedLately;
    }

    std::vector<Element> elements;
    std::optional<QList<Node>> focusedLately = QList<Node>();
    int calls = 0;
    int callsInTime = INT_MAX;

private:
    bool answer() { return ++calls <= callsInTime; }
};

// Firefox's window after a click beside the text: the page's document has the focus, below the
// window's own parts (2-4). The document of a frame inside the page had it before (5, in the
// frame 6), and so had the page of the tab that the user left (7, in its tab's frame 8), which
// still holds its selection and, a moment after the switch, still says that it is showing.
FakeWebPage deselectedPage() {
    FakeWebPage page;
    page.elements = {
        {Role::document, 2},           // 0: the focused page
        {Role::window, WebPage::none}, // 1: the window
        {Role::other, 3, {}},          // 2: the tab's frame
        {Role::other, 4, {}},          // 3: the tab panel
        {Role::other, 1, {}},          // 4: the tabs
        {Role::document, 6},           // 5: a frame's page
        {Role::other, 0, {}},          // 6: the frame
        {Role::document, 8, 1},        // 7: the page of the tab left
        {Role::other, 3, {}, false},   // 8: that tab's frame
    };
    page.focusedLately = QList<Node>{5, 7};
    return page;
}

// The focus in an element inside the focused page: an editable section, or a frame's document.
void focusInside(FakeWebPage& page, FakeWebPage::Element focused) {
    const Node moved = Node(page.elements.size());
    page.elements.push_back(page.elements[0]);
    for (FakeWebPage::Element& element : page.elements) {
        if (element.parent == 0)
            element.parent = moved;
    }
    focused.parent = moved;
    page.elements[0] = focused;
}

} // namespace

TEST(PageSelectionTest, APageWhoseDocumentsAroundTheFocusSelectNothingHoldsNone) {
    FakeWebPage page = deselectedPage();
    EXPECT_TRUE(PageSelection::holdsNone(page));

    // The caret left in another line of an editable section.
    FakeWebPage section = deselectedPage();
    focusInside(section, {Role::other, {}, 0});
    EXPECT_TRUE(PageSelection::holdsNone(section));

    // A click into a frame of a frame.
    FakeWebPage frame = deselectedPage();
    focusInside(frame, {Role::document, {}, 0});
    focusInside(frame, {Role::document, {}, 0});
    EXPECT_TRUE(PageSelection::holdsNone(frame));
}

// The page around a frame shows its selection, greyed, while the frame has the focus, and a frame
// its own while the page has it.
TEST(PageSelectionTest, ASelectionInTheFocusedElementOrADocumentAroundOrBesideItKeepsItOpen) {
    FakeWebPage focusedSelects = deselectedPage();
    focusedSelects.elements[0].selections = 1;
    EXPECT_FALSE(PageSelection::holdsNone(focusedSelects));

    FakeWebPage pageSelects = deselectedPage();
    pageSelects.elements[0].selections = 1;
    focusInside(pageSelects, {Role::other, {}, 0});
    EXPECT_FALSE(PageSelection::holdsNone(pageSelects));

    // A click beside a frame leaves the frame's selection, greyed.
    FakeWebPage frameSelects = deselectedPage();
    frameSelects.elements[5].selections = 1;
    EXPECT_FALSE(PageSelection::holdsNone(frameSelects));

    FakeWebPage outerPageSelects = deselectedPage();
    outerPageSelects.elements[0].selections = 2;
    focusInside(outerPageSelects, {Role::document, {}, 0});
    focusInside(outerPageSelects, {Role::document, {}, 0});
    EXPECT_FALSE(PageSelection::holdsNone(outerPageSelects));
}

// An editor's text outside any page, or a page that does not tell all it takes, leaves the capture
// to the selection that the application offers.
TEST(PageSelectionTest, WhatIsNotAPageOrNotToldInTimeKeepsItOpen) {
    FakeWebPage editor = deselectedPage();
    editor.elements[0].role = Role::other;
    EXPECT_FALSE(PageSelection::holdsNone(editor));

    for (const auto& unreadable : std::vector<std::function<void(FakeWebPage&)>>{
             [](FakeWebPage& page) { page.elements[0].selections.reset(); },
             [](FakeWebPage& page) { page.elements[9].selections.reset(); },
             [](FakeWebPage& page) { page.elements[5].selections.reset(); },
             [](FakeWebPage& page) { page.elements[7].selections.reset(); },
             // Whether the page of the tab left is on show.
             [](FakeWebPage& page) { page.elements[7].showing.reset(); },
             [](FakeWebPage& page) { page.elements[7].parent.reset(); },
             [](FakeWebPage& page) { page.elements[8].showing.reset(); },
             [](FakeWebPage& page) { page.focusedLately.reset(); },
             [](FakeWebPage& page) { page.elements[3].role.reset(); },
             // The way up ends before a window: an outer page may lie beyond.
             [](FakeWebPage& page) { page.elements[3].parent.reset(); },
         }) {
        FakeWebPage page = deselectedPage();
        focusInside(page, {Role::document, {}, 0});
        ASSERT_TRUE(PageSelection::holdsNone(page));
        unreadable(page);
        page.calls = 0;
        EXPECT_FALSE(PageSelection::holdsNone(page));
    }

    const int callsNeeded = [] {
        FakeWebPage page = deselectedPage();
        PageSelection::holdsNone(page);
        return page.calls;
    }();
    for (int calls = 0; calls < callsNeeded; ++calls) {
        FakeWebPage late = deselectedPage();
        late.callsInTime = calls;
        EXPECT_FALSE(PageSelection::holdsNone(late)) << calls << " calls answered";
    }

    // A faulty tree whose parents go round in a circle.
    FakeWebPage circle = deselectedPage();
    circle.elements[4].parent = 2;
    EXPECT_FALSE(PageSelection::holdsNone(circle));
    FakeWebPage circleBeside = deselectedPage();
    circleBeside.elements[8] = {Role::other, 7, {}, true};
    EXPECT_FALSE(PageSelection::holdsNone(circleBeside));
}

// What the user does not see is not read: the page of a tab left, which Firefox shows in a frame
// that is no longer showing and Chromium takes out of the tree while it still says that it is
// showing and focused, or the page of another window of the browser.
TEST(PageSelectionTest, ASelectionOnlyInAPageNotOnShowInTheFocusedWindowIsNone) {
    FakeWebPage settled = deselectedPage();
    settled.elements[7].showing = false;
    EXPECT_TRUE(PageSelection::holdsNone(settled));

    FakeWebPage outOfTheTree = deselectedPage();
    outOfTheTree.elements[7].parent = WebPage::none;
    outOfTheTree.elements[8].showing = true;
    EXPECT_TRUE(PageSelection::holdsNone(outOfTheTree));

    FakeWebPage otherWindow = deselectedPage();
    otherWindow.elements[8] = {Role::other, 9, {}, true};
    otherWindow.elements.push_back({Role::window, WebPage::none}); // 9
    EXPECT_TRUE(PageSelection::holdsNone(otherWindow));

    // A frame of the page of the tab left.
    FakeWebPage frameOfTabLeft = deselectedPage();
    frameOfTabLeft.elements[7].selections = 0;
    frameOfTabLeft.elements.push_back({Role::other, 7});       // 9: the frame
    frameOfTabLeft.elements.push_back({Role::document, 9, 1}); // 10: its page
    frameOfTabLeft.focusedLately->append(10);
    EXPECT_TRUE(PageSelection::holdsNone(frameOfTabLeft));

    // The same pages on show in the focused window.
    for (FakeWebPage* page : {&settled, &frameOfTabLeft})
        page->elements[7].showing = page->elements[8].showing = true;
    outOfTheTree.elements[7].parent = 8;
    otherWindow.elements[8].parent = 3;
    for (FakeWebPage* page : {&settled, &outOfTheTree, &otherWindow, &frameOfTabLeft})
        EXPECT_FALSE(PageSelection::holdsNone(*page));
}

// Chromium takes the page of the tab left out of the tree, and Firefox says that it is not showing,
// while each still says for a moment that it has the focus.
TEST(PageSelectionTest, AFocusedPageThatIsNotShowingOrOutOfTheTreeIsOutOfSight) {
    FakeWebPage page = deselectedPage();
    EXPECT_FALSE(PageSelection::isOutOfSight(page));

    page.elements[0].showing = false;
    EXPECT_TRUE(PageSelection::isOutOfSight(page));
    page.elements[0].showing = true;
    page.elements[0].parent = WebPage::none;
    EXPECT_TRUE(PageSelection::isOutOfSight(page));

    // Not known.
    page.elements[0].showing.reset();
    EXPECT_FALSE(PageSelection::isOutOfSight(page));
    page.elements[0].showing = true;
    page.elements[0].parent.reset();
    EXPECT_FALSE(PageSelection::isOutOfSight(page));

    // Only a page: GTK 4 says showing of no element inside its windows.
    FakeWebPage editor = deselectedPage();
    editor.elements[0] = {Role::other, WebPage::none, 0, false};
    EXPECT_FALSE(PageSelection::isOutOfSight(editor));
}
