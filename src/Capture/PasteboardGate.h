#pragma once

#include "Base/Clock.h"
#include "Base/Result.h"
#include "Base/Sleeper.h"
#include "Base/Worker.h"
#include "Capture/PasteboardProtocol.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>

namespace Capture {

// Lends the user's pasteboard to one synthetic copy at a time, strictly in order of arrival, and
// puts back what the user had on it on every path.
//
// A copy that saw no change (time-out or cancellation) keeps the gate for a short watch
// afterwards: an application that answers the copy late would otherwise leave its copy on the
// pasteboard in place of the user's data, so a change within the watch is undone by restoring the
// saved items once more. Callers that arrive meanwhile queue as usual.
class PasteboardGate {
public:
    // The caller's stop was requested before its copy could end.
    struct Cancelled {
        friend bool operator==(Cancelled, Cancelled) { return true; }
    };
    using CopyResult = Base::Result<OfferedText, Cancelled>;

    // `lateCopyWatch`: seconds to keep watching for a late copy after one that saw no change.
    PasteboardGate(std::shared_ptr<PasteboardProtocol> pasteboard, const Base::Clock& clock,
                   Base::Sleeper& sleeper, double lateCopyWatch);
    PasteboardGate(const PasteboardGate&) = delete;
    PasteboardGate& operator=(const PasteboardGate&) = delete;

    // Waits for the gate, saves the pasteboard, calls `trigger` (which sends the copy keystroke
    // and says whether it did), polls the change count every `pollInterval` seconds for up to
    // `timeout` seconds, restores the saved items and hands the gate on. Yields the pasteboard's
    // reading of the new plain text (selectionTooLarge included), or nothing when nothing was
    // sent, nothing changed or the change held no text.
    CopyResult copy(double pollInterval, double timeout, const std::function<bool()>& trigger,
                    std::stop_token stop);

    // Callers waiting for the gate.
    std::size_t waitingCount() const;

private:
    struct Waiter {
        bool handedOver = false;
    };
    enum class PollOutcome { changed, timedOut, cancelled };

    // False when `stop` was requested while waiting; a free gate is taken without looking at it.
    bool acquire(std::stop_token stop);
    // Gives the gate to the first waiter, or frees it.
    void release();
    PollOutcome pollForChange(qint64 startCount, double pollInterval, double timeout,
                              std::stop_token stop);
    // Keeps the gate during the watch and releases it at the end.
    void watchForLateCopy(QList<PasteboardItem> saved, double pollInterval);

    const std::shared_ptr<PasteboardProtocol> m_pasteboard;
    const Base::Clock& m_clock;
    Base::Sleeper& m_sleeper;
    const double m_lateCopyWatch;

    mutable std::mutex m_mutex;
    std::condition_variable_any m_handedOver;
    bool m_isBusy = false;
    std::deque<Waiter*> m_waiters; // in arrival order; non-empty only while busy

    // Runs the late-copy watches; declared last so that it ends before the rest.
    Base::Worker m_watcher;
};

} // namespace Capture
