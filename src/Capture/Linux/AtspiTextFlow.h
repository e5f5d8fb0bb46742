#pragma once

#include "Capture/CaptureStrategy.h"
#include "Capture/FlowingSelection.h"
#include "Capture/Linux/AtspiRef.h"
#include "Capture/Linux/AtspiTimeBudget.h"
#include "Capture/TextFlow.h"

#include <QRectF>

#include <map>
#include <optional>

namespace Capture {

// The accessible texts that flow on from the focused one, found through their flows-from and
// flows-to relations (LibreOffice's paragraphs); a text without such relations is a flow of one.
// Each call shares the read's time. Lives on the GLib thread.
class AtspiTextFlow final : public TextFlow {
public:
    // `focusedText`: the focused element's text interface.
    AtspiTextFlow(AtspiRef<AtspiText> focusedText, const AtspiTimeBudget& time);

    bool exists(int step) override;
    std::optional<qint32> length(int step) override;
    std::optional<TextRange> selection(int step) override;
    std::optional<qint32> caret(int step) override;
    // Embedded objects in the range are read as their accessibles' texts.
    OfferedText text(int step, TextRange range) override;
    bool expired() const override;

    // Some text read held embedded objects, whose texts were joined with line breaks of this
    // reader's choosing.
    bool expandedEmbeddedObjects() const { return m_expanded; }

    // The bounds on screen of what the read spans, from its first part to its last.
    std::optional<QRectF> bounds(const FlowingSelection::Read& read);

private:
    struct Node {
        AtspiRef<AtspiText> text;
        bool relationsRead = false;
        AtspiRef<AtspiAccessible> before; // flows from
        AtspiRef<AtspiAccessible> after;  // flows to
    };

    // Only steps that exists() has found.
    AtspiText* textAt(int step) const;
    void readRelations(Node& node);
    std::optional<QRectF> extents(const FlowingSelection::Part& part);

    const AtspiTimeBudget& m_time;
    std::map<int, Node> m_nodes;
    bool m_expanded = false;
};

} // namespace Capture
