#pragma once

#include "Base/Clock.h"
#include "Capture/Linux/X11SelectionReader.h"
#include "Capture/PrimarySelectionReading.h"

#include <memory>

namespace Capture {

// The PRIMARY selection of X11: the text that every application publishes as selected, without
// any keystroke. It is read only when its owner window belongs to the same X client as one of
// the target application's windows (window identifiers of one client share their resource base),
// so that a selection left behind in another application is never taken for the target's.
class X11PrimarySelection final : public PrimarySelectionReading {
public:
    // Nothing when no X display can be opened. `timeout`: seconds the owner may take to answer.
    static std::unique_ptr<X11PrimarySelection> open(const Base::Clock& clock, double timeout);

    OfferedText read(const CaptureTarget& target, std::stop_token stop) override;
    std::optional<double> age(const CaptureTarget& target, std::stop_token stop) override;

    // The two windows were made by the same X client: their identifiers differ only in the bits
    // of `resourceIdMask`.
    static bool sameClient(unsigned long a, unsigned long b, unsigned long resourceIdMask) {
        return (a & ~resourceIdMask) == (b & ~resourceIdMask);
    }

private:
    X11PrimarySelection(std::unique_ptr<X11SelectionReader> reader, unsigned long resourceIdMask);

    bool ownedBy(const CaptureTarget& target, X11Connection& x11, unsigned long owner) const;
    X11SelectionReader::OwnerRule ownedBy(const CaptureTarget& target) const;

    const std::unique_ptr<X11SelectionReader> m_reader;
    const unsigned long m_resourceIdMask;
};

} // namespace Capture
