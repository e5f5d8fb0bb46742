#pragma once

#include "Capture/Linux/AtspiRef.h"
#include "Capture/Linux/AtspiTimeBudget.h"
#include "Capture/WebPage.h"

#include <vector>

namespace Capture {

// The accessibles around a focused one that tell whether a browser's page holds a selection: a
// page, also a frame's, is a document with the web document role. Each call shares the read's
// time. Lives on the AT-SPI thread.
class AtspiWebPage final : public WebPage {
public:
    // `focused`: the focused accessible, node 0.
    AtspiWebPage(AtspiRef<AtspiAccessible> focused, const AtspiTimeBudget& time);

    std::optional<Role> role(Node node) override;
    std::optional<Node> parent(Node node) override;
    std::optional<qint32> selectionCount(Node node) override;

private:
    // Only nodes that this page gave.
    AtspiAccessible* at(Node node) const;

    const AtspiTimeBudget& m_time;
    std::vector<AtspiRef<AtspiAccessible>> m_nodes;
};

} // namespace Capture
