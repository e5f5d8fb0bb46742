#pragma once

#include "Capture/CaptureStrategy.h"

#include <QString>
#include <QtGlobal>

#include <optional>

namespace Capture {

// A range of characters of one accessible text, in its toolkit's own units.
struct TextRange {
    qint32 start = 0;
    qint32 end = 0;
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

// The accessible texts that one document's text flows through, seen from the focused one: a
// word processor shows each paragraph as a text of its own, each flowing into the next. A text is
// named by its step from the focused one (0): negative before it, positive after it. Steps are
// asked for in order outwards from 0. Each answer is absent when it could not be read, also once
// the time for the read is up.
class TextFlow {
public:
    virtual ~TextFlow() = default;

    // Whether there is a text at `step`: the one next to it towards 0 says it flows on.
    virtual bool exists(int step) = 0;
    virtual std::optional<qint32> length(int step) = 0;
    // The text's selected range; nothing when it has none or an empty one.
    virtual std::optional<TextRange> selection(int step) = 0;
    virtual std::optional<qint32> caret(int step) = 0;
    // The range's text; fails with selectionTooLarge, before it is fetched whole, when it holds
    // more than CaptureError::maxSelectionBytes.
    virtual OfferedText text(int step, TextRange range) = 0;
    // The time for the read is up.
    virtual bool expired() const = 0;
};

} // namespace Capture
