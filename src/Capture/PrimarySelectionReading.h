#pragma once

#include "Capture/CaptureStrategy.h"

#include <stop_token>

namespace Capture {

// The text that an application offers as its selection without any keystroke (on X11, the
// PRIMARY selection). Called from capture worker threads.
class PrimarySelectionReading {
public:
    virtual ~PrimarySelectionReading() = default;

    // The offered text when the target application itself offers it; nothing when another
    // application or none does, when it offers no text, or once `stop` is requested. Fails with
    // selectionTooLarge, without taking the rest, as soon as the text is known to be longer than
    // CaptureError::maxSelectionBytes.
    virtual OfferedText read(const CaptureTarget& target, std::stop_token stop) = 0;
    // How long ago, in seconds, the target application took the selection that it offers, as it
    // tells itself; nothing when another application or none offers it, when the owner does not
    // tell, or once `stop` is requested.
    virtual std::optional<double> age(const CaptureTarget& target, std::stop_token stop) = 0;
};

} // namespace Capture
