#pragma once

#include "Capture/Linux/AtspiRef.h"
#include "Capture/Linux/AtspiTimeBudget.h"
#include "Capture/WebPage.h"

#include <vector>

namespace Capture {

// The accessibles around a focused one that tell whether a browser's page holds a selection: a
// page, also a frame's, is a document with the web document role. Each call shares the read's
// time. Lives on the GLib thread.
class AtspiWebPage final : public WebPage {
public:
    // `focused`: the focused accessible, node 0, whose states were asked afresh when it was found;
    // `focusedLately`: the accessibles of its application that had the focus lately.
    AtspiWebPage(AtspiRef<AtspiAccessible> focused,
                 std::vector<AtspiRef<AtspiAccessible>> focusedLately, const AtspiTimeBudget& time);

    std::optional<Role> role(Node node) override;
    std::optional<Node> parent(Node node) override;
    std::optional<qint32> selectionCount(Node node) override;
    std::optional<bool> isShowing(Node node) override;
    std::optional<QList<Node>> documentsFocusedLately() override;

private:
    struct Accessible {
        AtspiRef<AtspiAccessible> accessible;
        // As the application said them during this read; empty until asked.
        AtspiRef<AtspiStateSet> states = AtspiRef<AtspiStateSet>();
    };

    // Only nodes that this page gave.
    Accessible* at(Node node);
    // The accessible's number, given anew to one not met before.
    Node nodeOf(AtspiRef<AtspiAccessible> accessible);
    // The node's states, asked of the application once in this read; nothing when they could not
    // be read in time.
    AtspiStateSet* statesNow(Node node);
    // A web document, not gone; nothing when that could not be read in time.
    std::optional<bool> isDocument(AtspiAccessible* accessible);

    const AtspiTimeBudget& m_time;
    std::vector<Accessible> m_nodes;
    const std::vector<AtspiRef<AtspiAccessible>> m_focusedLately;
};

} // namespace Capture
