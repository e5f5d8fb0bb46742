#pragma once

#include <QList>
#include <QtGlobal>

#include <optional>

namespace Capture {

// The accessibles around the focused one that tell whether a web page holds a selection: a
// browser shows a page as a document, and the page of each of its frames as a document inside it,
// each with a selection of its own. An accessible is named by a number: 0 is the focused one, any
// other one is what parent() or documentsFocusedLately() gave, the same accessible always by the
// same number. Each answer is absent when it could not be read, also once the time for the read is
// up.
class WebPage {
public:
    using Node = int;

    // The parent of an accessible that has none: one taken out of the tree, as a browser takes the
    // page of a tab that is not on show.
    static constexpr Node none = -1;

    enum class Role {
        document, // a web page's
        window,   // a top-level window or the application: no page is above it
        other,
    };

    virtual ~WebPage() = default;

    virtual std::optional<Role> role(Node node) = 0;
    virtual std::optional<Node> parent(Node node) = 0;
    // How many separate ranges of the accessible's text are selected.
    virtual std::optional<qint32> selectionCount(Node node) = 0;
    // The accessible says now that it is showing, and has not gone: a browser says so of a page
    // in another tab, or of what holds it, no more.
    virtual std::optional<bool> isShowing(Node node) = 0;
    // The documents of the application, other than the focused accessible, that had the focus
    // lately and are still there: a frame's page in which the user selected had it then, and
    // keeps its selection, greyed, when the user clicks beside the frame; so does the page of a
    // tab that the user left.
    virtual std::optional<QList<Node>> documentsFocusedLately() = 0;
};

} // namespace Capture
