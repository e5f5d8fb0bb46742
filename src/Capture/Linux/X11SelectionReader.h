#pragma once

#include "Base/Clock.h"
#include "Capture/CaptureStrategy.h"
#include "Capture/Linux/X11Connection.h"

#include <functional>
#include <memory>
#include <stop_token>

namespace Capture {

// Reads the text of one X11 selection (PRIMARY, CLIPBOARD) over a connection and an unmapped
// requestor window of its own, one read at a time, from any thread but the one that serves a
// selection this process owns. Follows the incremental transfer of large selections up to the
// capture's limit: a longer text is refused as soon as its size shows, without taking the rest.
class X11SelectionReader {
public:
    // Whether the text of the selection's current owner window may be taken; called with the
    // reader's connection before each read.
    using OwnerRule = std::function<bool(X11Connection& x11, unsigned long owner)>;

    // Nothing when no X display can be opened. `selection`: the selection's atom name;
    // `timeout`: seconds the owner may take to answer, each time it has the turn.
    static std::unique_ptr<X11SelectionReader> open(const char* selection, const Base::Clock& clock,
                                                    double timeout);
    ~X11SelectionReader();
    X11SelectionReader(const X11SelectionReader&) = delete;
    X11SelectionReader& operator=(const X11SelectionReader&) = delete;

    // The selection's text when its owner passes `accepts`; nothing when nobody owns it, the
    // owner is refused or offers no text, it does not answer in time, or once `stop` is
    // requested. Fails with selectionTooLarge past CaptureError::maxSelectionBytes.
    OfferedText read(const OwnerRule& accepts, std::stop_token stop);
    // How long ago, in seconds, the owner took the selection, as it tells itself, measured
    // against the server's time; nothing when nobody owns it, the owner is refused, does not tell
    // or does not answer in time, or once `stop` is requested.
    std::optional<double> age(const OwnerRule& accepts, std::stop_token stop);

private:
    X11SelectionReader(std::unique_ptr<X11Connection> x11, unsigned long selection,
                       const Base::Clock& clock, double timeout);

    static unsigned long makeRequestorWindow(_XDisplay* display);

    // The owner's window when nobody is refused, and the stop is not requested.
    std::optional<unsigned long> acceptedOwner(const OwnerRule& accepts, std::stop_token stop);
    OfferedText convert(_XDisplay* display, std::stop_token stop);
    std::optional<double> askAge(_XDisplay* display, std::stop_token stop);
    // Abandons a transfer longer than the limit.
    OfferedText refuseTransfer(_XDisplay* display);

    const std::unique_ptr<X11Connection> m_x11;
    const unsigned long m_selection; // its atom
    const Base::Clock& m_clock;
    const double m_timeout;
    unsigned long m_window = 0; // the requestor
};

} // namespace Capture
