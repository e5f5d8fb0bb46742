#pragma once

#include "Base/Clock.h"
#include "Capture/Linux/X11Connection.h"
#include "Capture/PrimarySelectionReading.h"

#include <memory>

namespace Capture {

// The PRIMARY selection of X11: the text that every application publishes as selected, without
// any keystroke. It is read only when its owner window belongs to the same X client as one of
// the target application's windows (window identifiers of one client share their resource base),
// so that a selection left behind in another application is never taken for the target's. Reads
// over a connection and an unmapped window of its own, one at a time, and follows the
// incremental transfer of large selections, up to the capture's limit: a longer one is refused
// as soon as its size shows, without taking the rest.
class X11PrimarySelection final : public PrimarySelectionReading {
public:
    // Nothing when no X display can be opened. `timeout`: seconds the owner may take to answer.
    static std::unique_ptr<X11PrimarySelection> open(const Base::Clock& clock, double timeout);
    ~X11PrimarySelection() override;

    OfferedText read(const CaptureTarget& target, std::stop_token stop) override;

    // The two windows were made by the same X client: their identifiers differ only in the bits
    // of `resourceIdMask`.
    static bool sameClient(unsigned long a, unsigned long b, unsigned long resourceIdMask) {
        return (a & ~resourceIdMask) == (b & ~resourceIdMask);
    }

private:
    X11PrimarySelection(std::unique_ptr<X11Connection> x11, unsigned long resourceIdMask,
                        const Base::Clock& clock, double timeout);

    static unsigned long makeRequestorWindow(_XDisplay* display);

    bool ownedBy(const CaptureTarget& target);
    OfferedText convert(std::stop_token stop);
    // Abandons a transfer longer than the limit.
    OfferedText refuseTransfer(_XDisplay* display);

    const std::unique_ptr<X11Connection> m_x11;
    const unsigned long m_resourceIdMask;
    const Base::Clock& m_clock;
    const double m_timeout;
    unsigned long m_window = 0; // the requestor
};

} // namespace Capture
