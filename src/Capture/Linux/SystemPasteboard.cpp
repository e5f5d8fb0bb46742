#include "Capture/Linux/SystemPasteboard.h"

#include "Base/MainThread.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace Capture {

namespace {

QClipboard* clipboard() {
    return QGuiApplication::clipboard();
}

} // namespace

struct SystemPasteboard::Hops {
    std::mutex mutex;
    std::condition_variable changed;
    bool closing = false;
};

namespace {

// One piece of work sent to the main thread. `dropped`: the event loop discarded it unrun;
// `abandoned`: its caller stopped waiting before it started, so it must not run any more.
enum class HopState { queued, running, done, dropped, abandoned };

struct Hop {
    std::shared_ptr<void> keepAlive;
    std::mutex& mutex;
    std::condition_variable& changed;
    HopState state = HopState::queued;

    void set(HopState next) {
        std::lock_guard lock(mutex);
        state = next;
        changed.notify_all();
    }
};

// Travels with the queued work; when the work is destroyed unrun, the caller hears of it.
struct HopTicket {
    explicit HopTicket(std::shared_ptr<Hop> hop) : hop(std::move(hop)) {}
    HopTicket(const HopTicket&) = delete;
    HopTicket& operator=(const HopTicket&) = delete;
    ~HopTicket() {
        std::lock_guard lock(hop->mutex);
        if (hop->state == HopState::queued) {
            hop->state = HopState::dropped;
            hop->changed.notify_all();
        }
    }

    const std::shared_ptr<Hop> hop;
};

} // namespace

SystemPasteboard::SystemPasteboard(std::unique_ptr<X11SelectionReader> clipboardReader)
    : m_clipboardReader(std::move(clipboardReader)), m_hops(std::make_shared<Hops>()) {
    connect(clipboard(), &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard)
            ++m_changeCount;
    });
    connect(qApp, &QCoreApplication::aboutToQuit, this, &SystemPasteboard::closeDown);
}

SystemPasteboard::~SystemPasteboard() {
    closeDown();
}

void SystemPasteboard::closeDown() {
    std::lock_guard lock(m_hops->mutex);
    m_hops->closing = true;
    m_hops->changed.notify_all();
}

bool SystemPasteboard::onMainThread(const std::function<void()>& work) {
    if (Base::MainThread::isCurrent()) {
        work();
        return true;
    }
    auto hop = std::make_shared<Hop>(Hop{m_hops, m_hops->mutex, m_hops->changed});
    {
        std::lock_guard lock(m_hops->mutex);
        if (m_hops->closing)
            return false;
    }
    auto ticket = std::make_shared<HopTicket>(hop);
    Base::MainThread::post(*this, [ticket, &work] {
        Hop& hop = *ticket->hop;
        {
            std::lock_guard lock(hop.mutex);
            if (hop.state != HopState::queued)
                return;
            hop.state = HopState::running;
        }
        work();
        hop.set(HopState::done);
    });
    ticket.reset();

    std::unique_lock lock(m_hops->mutex);
    // Once started, the work is waited for: it refers to the caller's data.
    m_hops->changed.wait(lock, [&] {
        return hop->state == HopState::done || hop->state == HopState::dropped ||
               (m_hops->closing && hop->state == HopState::queued);
    });
    if (hop->state == HopState::queued)
        hop->state = HopState::abandoned;
    return hop->state == HopState::done;
}

qint64 SystemPasteboard::changeCount() const {
    return m_changeCount;
}

QList<PasteboardItem> SystemPasteboard::snapshot() {
    PasteboardItem item;
    onMainThread([&] {
        const QMimeData* data = clipboard()->mimeData(QClipboard::Clipboard);
        if (!data)
            return;
        for (const QString& format : data->formats()) {
            const QByteArray bytes = data->data(format);
            if (!bytes.isEmpty() || format == QLatin1String(transientType))
                item[format] = bytes;
        }
    });
    if (item.empty())
        return {};
    return {item};
}

void SystemPasteboard::restore(const QList<PasteboardItem>& items) {
    onMainThread([&] {
        if (items.isEmpty()) {
            clipboard()->clear(QClipboard::Clipboard);
        } else {
            // The X11 clipboard holds one item: the first one saved.
            auto* data = new QMimeData;
            for (const auto& [format, bytes] : items.first())
                data->setData(format, bytes);
            data->setData(QLatin1String(transientType), QByteArray());
            clipboard()->setMimeData(data, QClipboard::Clipboard);
        }
        // Whatever QClipboard reports, a restore is a change.
        ++m_changeCount;
    });
}

OfferedText SystemPasteboard::readString(std::stop_token stop) {
    if (!m_clipboardReader)
        return std::optional<QString>();
    // Whoever holds the clipboard after the copy: the application copied to, or a clipboard
    // manager that took the copy over.
    return m_clipboardReader->read([](X11Connection&, unsigned long) { return true; }, stop);
}

} // namespace Capture
