#pragma once

#include "Base/MainThread.h"

#include <QList>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace Base {

// An asynchronous stream of elements that ends normally or with an error of type E.
//
// The producer holds the Continuation and may yield from any thread; the consumer holds the
// AsyncStream and receives every element and the end on the main thread, in order, never
// re-entrantly from inside yield(). Elements are buffered until the consumer starts listening.
// Cancelling the stream (or destroying it) runs the producer's cancel handler once and
// suppresses every delivery that has not happened yet.
template <class T, class E> class AsyncStream {
    struct State;

public:
    using ElementHandler = std::function<void(T)>;
    using EndHandler = std::function<void(std::optional<E>)>; // nullopt: normal end

    class Continuation {
    public:
        Continuation() = default;

        void yield(T element) { push(Event{std::move(element), false, std::nullopt}); }
        void finish() { push(Event{std::nullopt, true, std::nullopt}); }
        void fail(E error) { push(Event{std::nullopt, true, std::move(error)}); }

        bool isCancelled() const {
            std::lock_guard lock(m_state->mutex);
            return m_state->cancelled;
        }
        // Runs (on the cancelling thread) when the consumer cancels before the stream ended;
        // runs at once if it has already been cancelled.
        void onCancel(std::function<void()> handler) {
            std::unique_lock lock(m_state->mutex);
            if (m_state->cancelled) {
                lock.unlock();
                handler();
                return;
            }
            m_state->cancelHandler = std::move(handler);
        }

    private:
        friend class AsyncStream;
        explicit Continuation(std::shared_ptr<State> state) : m_state(std::move(state)) {}

        struct Event {
            std::optional<T> element;
            bool ends;
            std::optional<E> error;
        };

        void push(Event event) {
            std::function<void()> released; // destroyed after unlocking, like every handler
            std::lock_guard lock(m_state->mutex);
            if (m_state->cancelled || m_state->ended)
                return;
            m_state->ended = event.ends;
            if (m_state->ended)
                released = std::exchange(m_state->cancelHandler, nullptr);
            m_state->pending.append(std::move(event));
            if (m_state->listening)
                schedule(m_state);
        }

        std::shared_ptr<State> m_state;
    };

    static std::pair<AsyncStream, Continuation> make() {
        auto state = std::make_shared<State>();
        return {AsyncStream(state), Continuation(state)};
    }

    AsyncStream() = default;
    AsyncStream(AsyncStream&&) noexcept = default;
    AsyncStream& operator=(AsyncStream&& other) noexcept {
        cancel();
        m_state = std::move(other.m_state);
        return *this;
    }
    AsyncStream(const AsyncStream&) = delete;
    AsyncStream& operator=(const AsyncStream&) = delete;
    ~AsyncStream() { cancel(); }

    // Starts delivery on the main thread. Call once.
    void listen(ElementHandler onElement, EndHandler onEnd) {
        if (!m_state)
            return;
        std::lock_guard lock(m_state->mutex);
        m_state->onElement = std::move(onElement);
        m_state->onEnd = std::move(onEnd);
        m_state->listening = true;
        if (!m_state->pending.isEmpty())
            schedule(m_state);
    }

    // Stops consuming: the producer's cancel handler runs and nothing more is delivered.
    void cancel() {
        if (!m_state)
            return;
        // Handlers are moved out and destroyed unlocked: what they hold may refer back here.
        std::function<void()> handler;
        ElementHandler onElement;
        EndHandler onEnd;
        QList<Event> pending;
        {
            std::lock_guard lock(m_state->mutex);
            if (m_state->cancelled)
                return;
            m_state->cancelled = true;
            pending.swap(m_state->pending);
            onElement = std::exchange(m_state->onElement, nullptr);
            onEnd = std::exchange(m_state->onEnd, nullptr);
            handler = std::exchange(m_state->cancelHandler, nullptr);
        }
        if (handler)
            handler();
    }

private:
    using Event = typename Continuation::Event;

    struct State {
        std::mutex mutex;
        QList<Event> pending;
        bool listening = false;
        bool ended = false;
        bool cancelled = false;
        bool drainScheduled = false;
        ElementHandler onElement;
        EndHandler onEnd;
        std::function<void()> cancelHandler;
    };

    explicit AsyncStream(std::shared_ptr<State> state) : m_state(std::move(state)) {}

    // Called with the state's mutex held.
    static void schedule(const std::shared_ptr<State>& state) {
        if (state->drainScheduled)
            return;
        state->drainScheduled = true;
        MainThread::post([weak = std::weak_ptr<State>(state)] { drain(weak.lock()); });
    }

    static void drain(const std::shared_ptr<State>& state) {
        if (!state)
            return;
        std::unique_lock lock(state->mutex);
        state->drainScheduled = false;
        while (!state->cancelled && !state->pending.isEmpty()) {
            Event event = state->pending.takeFirst();
            // Call copies, so that a handler may cancel or drop the stream; once the stream is
            // over, let go of the handlers altogether. Either way they are destroyed unlocked.
            ElementHandler onElement = state->onElement;
            EndHandler onEnd = state->onEnd;
            if (event.ends) {
                state->onElement = nullptr;
                state->onEnd = nullptr;
            }
            lock.unlock();
            if (event.element && onElement)
                onElement(std::move(*event.element));
            else if (event.ends && onEnd)
                onEnd(std::move(event.error));
            onElement = nullptr;
            onEnd = nullptr;
            lock.lock();
        }
    }

    std::shared_ptr<State> m_state;
};

} // namespace Base
