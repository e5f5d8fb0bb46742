#pragma once

#include "Capture/Hypertext.h"
#include "Capture/Linux/AtspiRef.h"
#include "Capture/Linux/AtspiTimeBudget.h"

#include <vector>

namespace Capture {

// The accessibles behind an accessible text's embedded objects, found through its hyperlinks: an
// embedded object is one of the text's links, the n-th object the n-th link. How each stands
// among its neighbours comes from the layout that a browser tells (the element's display and
// tag), or else from its role. Each call shares the read's time. Lives on the AT-SPI thread.
class AtspiEmbeddedTexts final : public Hypertext {
public:
    // `text`: the accessible text being read, node 0.
    AtspiEmbeddedTexts(AtspiRef<AtspiAccessible> text, const AtspiTimeBudget& time);

    std::optional<QList<Node>> embedded(Node parent, qint32 offset, qint32 count) override;
    std::optional<qint32> length(Node node) override;
    std::optional<TextRange> selection(Node node) override;
    std::optional<QString> text(Node node, TextRange range) override;
    Layout layout(Node node) override;
    bool expired() const override;

private:
    // Only nodes that embedded() gave.
    AtspiAccessible* at(Node node) const;
    AtspiText* textAt(Node node) const;
    // The accessible that link `index` of `parent` stands for.
    AtspiRef<AtspiAccessible> linked(AtspiAccessible* parent, gint index);
    // Nothing when the accessible tells no display.
    std::optional<Layout> layoutByDisplay(AtspiAccessible* accessible);
    Layout layoutByRole(AtspiAccessible* accessible);

    const AtspiTimeBudget& m_time;
    std::vector<AtspiRef<AtspiAccessible>> m_nodes;
};

} // namespace Capture
