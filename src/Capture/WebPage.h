#pragma once

#include <QList>
#include <QtGlobal>

#include <optional>

namespace Capture {

// The accessibles around the focused one that tell whether a web page holds a selection: a
// browser shows a page as a document, and the page of each of its frames as a document inside it,
// each with a selection of its own. An accessible is named by a number: 0 is the focused one, any
// other one is what parent() or documentsFocusedLately() gave. Each answer is absent when it could
// not be read, also once the time for the read is up.
class WebPage {
public:
    using Node = int;

    enum class Role {
        document, // a web page's
        window,   // a top-level window or the application: no page is above it
        other,
    };

    virtual ~WebPage() = default;

    virtual std::optional<Role> role(Node node) = 0;
    // Absent also for an accessible without a parent.
    virtual std::optional<Node> parent(Node node) = 0;
    // How many separate ranges of the accessible's text are selected.
    virtual std::optional<qint32> selectionCount(Node node) = 0;
    // The documents on show, other than the focused accessible, that had the focus lately: a
    // frame's page in which the user selected had it then, and keeps its selection, greyed, when
    // the user clicks beside the frame.
    virtual std::optional<QList<Node>> documentsFocusedLately() = 0;
};

} // namespace Capture
