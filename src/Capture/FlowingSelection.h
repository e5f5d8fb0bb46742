#pragma once

#include "Base/Result.h"
#include "Capture/TextFlow.h"
#include "Core/CaptureError.h"

#include <QString>

#include <optional>

// The selection of a document whose text flows through several accessible texts: the focused
// text holds one end of it, the texts before or after it the rest.
namespace Capture::FlowingSelection {

// The selected part of one text.
struct Part {
    int step = 0;
    TextRange range;
};

struct Read {
    // The selected parts in document order, one line each: a text left empty in between is a
    // blank line.
    QString text;
    Part first;
    Part last;
};

// Follows the selection from the focused text to the texts it flows into, as long as each one's
// selection reaches over to the next; nothing when no text has any selection, or when a part's
// text could not be read. Fails with selectionTooLarge, before any text is fetched, when the parts
// are longer than CaptureError::maxSelectionBytes (or as the flow's text does), and with timedOut
// when the time ran out before the whole selection was read: a part is never given as the whole.
Base::Result<std::optional<Read>, Core::CaptureError> read(TextFlow& flow);

} // namespace Capture::FlowingSelection
