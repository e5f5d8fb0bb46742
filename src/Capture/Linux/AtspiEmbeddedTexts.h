#pragma once

#include "Capture/Hypertext.h"
#include "Capture/Linux/AtspiRef.h"
#include "Capture/Linux/AtspiTimeBudget.h"

#include <QByteArray>
#include <QHash>

#include <vector>

namespace Capture {

// A control whose text is its label, which the user selects over but never in: a button, a check
// box, an image's description.
bool isAtomicControl(AtspiRole role);

// The accessibles behind an accessible text's embedded objects, found through its hyperlinks: an
// embedded object is one of the text's links, the n-th object the n-th link. How each stands
// among its neighbours comes from the layout that a browser tells (the element's display and
// tag), or else from its role. A list item's marker is text that Firefox marks as generated, or a
// first child that Chromium names a marker. Each call shares the read's time. Lives on the AT-SPI
// thread.
class AtspiEmbeddedTexts final : public Hypertext {
public:
    // `text`: the accessible text being read, node 0.
    AtspiEmbeddedTexts(AtspiRef<AtspiAccessible> text, const AtspiTimeBudget& time);

    std::optional<QList<Node>> embedded(Node parent, qint32 offset, qint32 count) override;
    std::optional<qint32> length(Node node) override;
    std::optional<TextRange> selection(Node node) override;
    std::optional<QString> text(Node node, TextRange range) override;
    Layout layout(Node node) override;
    qint32 generatedPrefix(Node node) override;
    bool isAtomic(Node node) override;

private:
    // Only nodes that embedded() gave.
    AtspiAccessible* at(Node node) const;
    AtspiText* textAt(Node node) const;
    // The accessible that link `index` of `parent` stands for.
    AtspiRef<AtspiAccessible> linked(AtspiAccessible* parent, gint index);
    // Nothing when the accessible tells no display.
    std::optional<Layout> layoutByDisplay(AtspiAccessible* accessible, bool& listItem);
    Layout layoutByRole(AtspiAccessible* accessible, bool& listItem);
    qint32 generatedTextAtStart(AtspiAccessible* accessible);
    qint32 markerChild(AtspiAccessible* accessible);
    // The accessible's object attributes (a browser's "display" and "tag"); none when unreadable.
    QHash<QByteArray, QByteArray> objectAttributes(AtspiAccessible* accessible);

    struct Element {
        AtspiRef<AtspiAccessible> accessible;
        bool listItem = false; // known once layout() was asked
    };

    const AtspiTimeBudget& m_time;
    std::vector<Element> m_nodes;
};

} // namespace Capture
