#pragma once

#include "Base/Clock.h"
#include "Capture/AXClientProtocol.h"
#include "Capture/CaptureStrategy.h"
#include "Capture/KeyEventPosting.h"
#include "Capture/PasteboardProtocol.h"
#include "Capture/PrimarySelectionReading.h"

#include <QList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

// Fakes of the capture module's system interfaces and strategies.
namespace TestSupport {

inline const QString plainTextType = QStringLiteral("text/plain");

inline Capture::PasteboardItem textItem(const QString& text) {
    return {{plainTextType, text.toUtf8()}};
}

// Answers with fixed values and records what it was asked.
class FakeAXClient : public Capture::AXClientProtocol {
public:
    using Snapshot = Base::Result<Capture::AXFocusSnapshot, Core::CaptureError>;

    bool trusted = true;
    bool secureInput = false;
    Snapshot snapshot = Capture::AXFocusSnapshot{};
    // What the focused element shows once each snapshot has been taken, in turn.
    std::deque<Snapshot> laterSnapshots;

    int trustQueries = 0;
    std::vector<Capture::AXFocusScope> scopes;
    std::vector<double> timeouts;
    std::vector<Capture::AXFocusScope> roleScopes;
    // The text of the page around the focused element.
    std::optional<QString> page;
    int pageReads = 0;

    bool isTrusted() override {
        ++trustQueries;
        return trusted;
    }
    bool isSecureEventInputEnabled() override { return secureInput; }
    Base::Result<Capture::AXFocusSnapshot, Core::CaptureError>
    focusSnapshot(Capture::AXFocusScope scope, double timeout) override {
        scopes.push_back(scope);
        timeouts.push_back(timeout);
        Snapshot taken = snapshot;
        if (!laterSnapshots.empty()) {
            snapshot = std::move(laterSnapshots.front());
            laterSnapshots.pop_front();
        }
        return taken;
    }
    // The snapshot's role, or its failure.
    Base::Result<std::optional<QString>, Core::CaptureError> focusRole(Capture::AXFocusScope scope,
                                                                       double) override {
        roleScopes.push_back(scope);
        if (!snapshot)
            return Base::failure(snapshot.error());
        return snapshot->role;
    }
    std::optional<QString> pageText(Capture::AXFocusScope, double) override {
        ++pageReads;
        return page;
    }
};

// An in-memory pasteboard; other "applications" write to it through write(). Notes the time of
// each restore on the clock it is given.
class FakePasteboard : public Capture::PasteboardProtocol {
public:
    explicit FakePasteboard(const Base::Clock& clock) : m_clock(clock) {}

    // Runs while the pasteboard is being saved, as a slow hop to the clipboard's thread would.
    std::function<void()> onSnapshot;

    qint64 changeCount() const override {
        std::lock_guard lock(m_mutex);
        return m_changeCount;
    }
    QList<Capture::PasteboardItem> snapshot() override {
        if (onSnapshot)
            onSnapshot();
        std::lock_guard lock(m_mutex);
        ++m_snapshots;
        return m_items;
    }
    void restore(const QList<Capture::PasteboardItem>& items) override {
        std::lock_guard lock(m_mutex);
        m_items = items;
        ++m_changeCount;
        m_restoreTimes.push_back(m_clock.now());
    }
    Capture::OfferedText readString(std::stop_token) override {
        std::lock_guard lock(m_mutex);
        if (m_items.isEmpty() || !m_items.first().contains(plainTextType))
            return std::optional<QString>();
        // As a bounded reader, it takes no more bytes than the limit.
        const QByteArray& bytes = m_items.first().at(plainTextType);
        if (bytes.size() > Core::CaptureError::maxSelectionBytes)
            return Base::failure(Core::CaptureError::selectionTooLarge());
        return std::optional(QString::fromUtf8(bytes));
    }

    void write(QList<Capture::PasteboardItem> items) {
        std::lock_guard lock(m_mutex);
        m_items = std::move(items);
        ++m_changeCount;
    }
    void writeText(const QString& text) { write({textItem(text)}); }

    QList<Capture::PasteboardItem> items() const {
        std::lock_guard lock(m_mutex);
        return m_items;
    }
    int snapshots() const {
        std::lock_guard lock(m_mutex);
        return m_snapshots;
    }
    std::vector<double> restoreTimes() const {
        std::lock_guard lock(m_mutex);
        return m_restoreTimes;
    }
    int restores() const { return static_cast<int>(restoreTimes().size()); }

private:
    const Base::Clock& m_clock;
    mutable std::mutex m_mutex;
    QList<Capture::PasteboardItem> m_items;
    qint64 m_changeCount = 0;
    int m_snapshots = 0;
    std::vector<double> m_restoreTimes;
};

// Modifier state and copy keystrokes under the test's control.
class FakeKeyPoster : public Capture::KeyEventPosting {
public:
    std::atomic<bool> released = true;
    std::atomic<bool> sends = true;
    // The front-most application is one that must not get a copy keystroke.
    std::atomic<bool> refuses = false;
    // What the front-most application does with the copy keystroke.
    std::function<void()> onCopy;

    std::atomic<int> modifierQueries = 0;
    std::atomic<int> copies = 0;

    bool modifiersReleased() override {
        ++modifierQueries;
        return released;
    }
    bool refusesCopy() override { return refuses; }
    bool postCopy() override {
        ++copies;
        if (sends && onCopy)
            onCopy();
        return sends;
    }
};

// The selection the target application offers, under the test's control.
class FakePrimarySelection : public Capture::PrimarySelectionReading {
public:
    Capture::OfferedText read(const Capture::CaptureTarget&, std::stop_token) override {
        std::lock_guard lock(m_mutex);
        ++m_reads;
        return m_offered;
    }
    std::optional<double> age(const Capture::CaptureTarget&, std::stop_token) override {
        std::lock_guard lock(m_mutex);
        return m_age;
    }
    // `age`: how long ago the offered text was taken, as its owner tells; nothing when untold.
    void offer(std::optional<QString> text, std::optional<double> age = std::nullopt) {
        std::lock_guard lock(m_mutex);
        m_offered = std::move(text);
        m_age = age;
    }
    // The owner offers more than a capture takes.
    void offerTooMuch() {
        std::lock_guard lock(m_mutex);
        m_offered = Base::failure(Core::CaptureError::selectionTooLarge());
    }
    int reads() const {
        std::lock_guard lock(m_mutex);
        return m_reads;
    }

private:
    mutable std::mutex m_mutex;
    Capture::OfferedText m_offered = std::optional<QString>();
    std::optional<double> m_age;
    int m_reads = 0;
};

// Yields a fixed answer at once and records the targets it was given.
class ScriptedStrategy : public Capture::CaptureStrategy {
public:
    explicit ScriptedStrategy(Capture::StrategyResult answer) : m_answer(std::move(answer)) {}

    Capture::StrategyResult capture(const Capture::CaptureTarget& target,
                                    std::stop_token) override {
        std::lock_guard lock(m_mutex);
        m_targets.push_back(target);
        return m_answer;
    }
    std::vector<Capture::CaptureTarget> targets() const {
        std::lock_guard lock(m_mutex);
        return m_targets;
    }

private:
    mutable std::mutex m_mutex;
    Capture::StrategyResult m_answer;
    std::vector<Capture::CaptureTarget> m_targets;
};

// Blocks in capture() until the test finishes it, like a strategy stuck in a slow call.
class BlockingStrategy : public Capture::CaptureStrategy {
public:
    // Whether a stop ends the wait too, finding nothing.
    enum class Stop { ignored, ends };
    explicit BlockingStrategy(Stop stop = Stop::ignored) : m_stop(stop) {}

    Capture::StrategyResult capture(const Capture::CaptureTarget&, std::stop_token stop) override {
        std::unique_lock lock(m_mutex);
        m_started = true;
        m_changed.notify_all();
        m_changed.wait(lock, m_stop == Stop::ends ? stop : std::stop_token(),
                       [&] { return m_answer.has_value(); });
        m_stopSeen = stop.stop_requested();
        m_returned = true;
        return m_answer.value_or(std::optional<Core::SelectionCapture>());
    }

    void waitUntilStarted() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_started; });
    }
    void finish(Capture::StrategyResult answer) {
        std::lock_guard lock(m_mutex);
        m_answer = std::move(answer);
        m_changed.notify_all();
    }
    bool returned() const {
        std::lock_guard lock(m_mutex);
        return m_returned;
    }
    bool stopSeen() const {
        std::lock_guard lock(m_mutex);
        return m_stopSeen;
    }

private:
    const Stop m_stop;
    mutable std::mutex m_mutex;
    std::condition_variable_any m_changed;
    bool m_started = false;
    bool m_returned = false;
    bool m_stopSeen = false;
    std::optional<Capture::StrategyResult> m_answer;
};

} // namespace TestSupport
