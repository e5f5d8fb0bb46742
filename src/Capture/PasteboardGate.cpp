#include "Capture/PasteboardGate.h"

#include "Base/Log.h"

#include <algorithm>

namespace Capture {

PasteboardGate::PasteboardGate(std::shared_ptr<PasteboardProtocol> pasteboard,
                               const Base::Clock& clock, Base::Sleeper& sleeper,
                               double lateCopyWatch)
    : m_pasteboard(std::move(pasteboard)), m_clock(clock), m_sleeper(sleeper),
      m_lateCopyWatch(lateCopyWatch) {}

PasteboardGate::CopyResult PasteboardGate::copy(double pollInterval, double timeout,
                                                const std::function<bool()>& trigger,
                                                std::stop_token stop) {
    if (!acquire(stop))
        return Base::failure(Cancelled{});
    if (stop.stop_requested()) {
        release();
        return Base::failure(Cancelled{});
    }

    QList<PasteboardItem> saved = m_pasteboard->snapshot();
    const qint64 startCount = m_pasteboard->changeCount();
    if (!trigger()) {
        release();
        return OfferedText(std::optional<QString>());
    }

    const PollOutcome outcome = pollForChange(startCount, pollInterval, timeout, stop);
    OfferedText text = std::optional<QString>();
    if (outcome == PollOutcome::changed)
        text = m_pasteboard->readString(stop);
    m_pasteboard->restore(saved);

    if (outcome == PollOutcome::changed)
        release();
    else
        watchForLateCopy(std::move(saved), pollInterval);
    if (outcome == PollOutcome::cancelled)
        return Base::failure(Cancelled{});
    return text;
}

std::size_t PasteboardGate::waitingCount() const {
    std::lock_guard lock(m_mutex);
    return m_waiters.size();
}

bool PasteboardGate::acquire(std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    if (!m_isBusy) {
        m_isBusy = true;
        return true;
    }
    Waiter self;
    m_waiters.push_back(&self);
    if (m_handedOver.wait(lock, stop, [&] { return self.handedOver; }))
        return true;
    std::erase(m_waiters, &self);
    return false;
}

void PasteboardGate::release() {
    std::lock_guard lock(m_mutex);
    if (m_waiters.empty()) {
        m_isBusy = false;
        return;
    }
    // The gate stays busy: ownership passes straight to the first waiter.
    m_waiters.front()->handedOver = true;
    m_waiters.pop_front();
    m_handedOver.notify_all();
}

PasteboardGate::PollOutcome PasteboardGate::pollForChange(qint64 startCount, double pollInterval,
                                                          double timeout, std::stop_token stop) {
    const double end = m_clock.now() + timeout;
    while (m_clock.now() < end) {
        if (m_pasteboard->changeCount() != startCount)
            return PollOutcome::changed;
        if (!m_sleeper.sleep(pollInterval, stop))
            return PollOutcome::cancelled;
    }
    return PollOutcome::timedOut;
}

void PasteboardGate::watchForLateCopy(QList<PasteboardItem> saved, double pollInterval) {
    const qint64 restoredCount = m_pasteboard->changeCount();
    const double end = m_clock.now() + m_lateCopyWatch;
    // The previous watch has already handed the gate on, so it is ending: this one follows it.
    m_watcher.start(
        [this, saved = std::move(saved), restoredCount, end, pollInterval](std::stop_token stop) {
            while (m_clock.now() < end && m_sleeper.sleep(pollInterval, stop)) {
                if (m_pasteboard->changeCount() != restoredCount) {
                    m_pasteboard->restore(saved);
                    Base::Log("focus-diag").notice("late copy after time-out: pasteboard restored");
                    break;
                }
            }
            release();
        });
}

} // namespace Capture
