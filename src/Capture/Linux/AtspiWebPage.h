#pragma once

#include "Capture/Linux/AtspiRef.h"
#include "Capture/Linux/AtspiTimeBudget.h"
#include "Capture/WebPage.h"

#include <vector>

namespace Capture {

// The accessibles around a focused one that tell whether a browser's page holds a selection: a
// page, also a frame's, is a document with the web document role, on show while it says that it
// is showing or visible. Each call shares the read's time. Lives on the GLib thread.
class AtspiWebPage final : public WebPage {
public:
    // `focused`: the focused accessible, node 0; `focusedLately`: the accessibles of its
    // application that had the focus lately.
    AtspiWebPage(AtspiRef<AtspiAccessible> focused,
                 std::vector<AtspiRef<AtspiAccessible>> focusedLately, const AtspiTimeBudget& time);

    std::optional<Role> role(Node node) override;
    std::optional<Node> parent(Node node) override;
    std::optional<qint32> selectionCount(Node node) override;
    std::optional<QList<Node>> documentsFocusedLately() override;

private:
    // Only nodes that this page gave.
    AtspiAccessible* at(Node node) const;

    // A document on show; nothing when that could not be read.
    std::optional<bool> isDocumentOnShow(AtspiAccessible* accessible);

    const AtspiTimeBudget& m_time;
    std::vector<AtspiRef<AtspiAccessible>> m_nodes;
    const std::vector<AtspiRef<AtspiAccessible>> m_focusedLately;
};

} // namespace Capture
