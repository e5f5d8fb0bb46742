#pragma once

// GLib's headers name struct members `signals`, which Qt defines as a macro: include them first.
#include <gio/gio.h>

#include "Base/Linux/GlibThread.h"
#include "Base/MainThread.h"
#include "Base/Scheduler.h"

#include <QtGlobal>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <utility>

namespace Parlino {

// A key store's libsecret calls, made one after another: a call begins once the one before it has
// been answered or given up, so that a read never overtakes a write or removal that the service
// has yet to carry out, and a read after a stall shows what the stalled call left. A call given up
// before it began never begins. Only on the GLib thread.
class CallQueue {
public:
    using Ticket = quint64;

    Ticket enqueue(std::function<void()> begin) {
        const Ticket ticket = ++m_lastTicket;
        m_waiting.push_back({ticket, std::move(begin)});
        beginNext();
        return ticket;
    }
    // The call is answered or given up, whichever comes first; the second is nothing.
    void finished(Ticket ticket) {
        if (m_current == ticket) {
            m_current.reset();
            beginNext();
            return;
        }
        std::erase_if(m_waiting, [ticket](const Waiting& call) { return call.ticket == ticket; });
    }

private:
    struct Waiting {
        Ticket ticket;
        std::function<void()> begin;
    };

    void beginNext() {
        if (m_current || m_waiting.empty())
            return;
        Waiting next = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_current = next.ticket;
        next.begin();
    }

    std::deque<Waiting> m_waiting;
    std::optional<Ticket> m_current;
    Ticket m_lastTicket = 0;
};

// One asynchronous libsecret call, queued, begun, answered and read on the GLib thread (libsecret
// answers on GLib's default main context, which that thread runs); what the answer says is handed
// to the main thread. `finish` takes it there when it comes within the time-out or up to
// `lateAnswerSeconds` after it; `timedOut` runs at the time-out when none came by then.
// Cancellation, or the end of the late answer's wait, gives the call up: nothing runs after that,
// libsecret's call is cancelled and the queue goes on at once, not waiting for libsecret to answer
// the cancellation. None of the calls made so may show a prompt: cancelling libsecret's call
// under a prompt dismisses it, which gnome-keyring does not survive.
template <class Answer> class PendingCall {
public:
    // Passes the cancellable, ready() and the request on to libsecret. On the GLib thread.
    using Begin = std::function<void(GCancellable*, GAsyncReadyCallback, gpointer)>;
    // Reads libsecret's answer. On the GLib thread.
    using Read = std::function<Answer(GAsyncResult*)>;
    using Finish = std::function<void(Answer)>;

    struct Timing {
        Base::Scheduler& scheduler;
        double timeoutSeconds;
        double lateAnswerSeconds;
    };

    static void start(const Timing& timing, std::shared_ptr<CallQueue> calls,
                      std::stop_token cancel, Begin begin, Read read, Finish finish,
                      std::function<void()> timedOut) {
        auto call = std::shared_ptr<PendingCall>(new PendingCall(std::move(finish), calls));
        const std::weak_ptr<PendingCall> weak = call;
        call->m_timeout = timing.scheduler.after(
            timing.timeoutSeconds, [weak, timing, timedOut = std::move(timedOut)] {
                const auto call = weak.lock();
                if (!call)
                    return;
                call->m_giveUp = timing.scheduler.after(timing.lateAnswerSeconds, [weak] {
                    if (const auto call = weak.lock())
                        call->settle();
                });
                timedOut();
            });
        auto request = std::make_shared<Request>(call, std::move(read));
        // Queued before the call can be given up, so that giving up finds its ticket.
        Base::GlibThread::shared().post([request, begin = std::move(begin)] {
            request->call->m_slot->ticket = request->call->m_slot->calls->enqueue([request, begin] {
                request->self = request; // held until libsecret answers
                begin(request->call->m_cancellable, &PendingCall::ready, request.get());
            });
        });
        call->m_stop.emplace(std::move(cancel), [weak] {
            if (const auto call = weak.lock())
                call->settle();
        });
    }

    PendingCall(const PendingCall&) = delete;
    PendingCall& operator=(const PendingCall&) = delete;
    ~PendingCall() { g_object_unref(m_cancellable); }

private:
    // The call's place in the queue. On the GLib thread.
    struct Slot {
        std::shared_ptr<CallQueue> calls;
        CallQueue::Ticket ticket = 0;
    };

    // What the GLib thread holds of the call until libsecret answers it, or until the queue drops
    // it unbegun; the call itself is let go on the main thread, where it was made.
    struct Request {
        Request(std::shared_ptr<PendingCall> call, Read read)
            : call(std::move(call)), read(std::move(read)) {}
        ~Request() {
            if (call)
                Base::MainThread::post([call = std::move(call)] {});
        }
        std::shared_ptr<PendingCall> call;
        Read read;
        std::shared_ptr<Request> self;
    };

    PendingCall(Finish finish, std::shared_ptr<CallQueue> calls)
        : m_cancellable(g_cancellable_new()), m_finish(std::move(finish)),
          m_slot(std::make_shared<Slot>(Slot{std::move(calls)})) {}

    static void ready(GObject*, GAsyncResult* result, gpointer data) {
        const std::shared_ptr<Request> request = std::move(static_cast<Request*>(data)->self);
        const std::shared_ptr<Slot> slot = request->call->m_slot;
        Base::MainThread::post(
            [call = std::move(request->call), answer = request->read(result)]() mutable {
                call->land(std::move(answer));
            });
        slot->calls->finished(slot->ticket);
    }

    void land(Answer answer) {
        if (m_settled)
            return;
        m_settled = true;
        m_timeout.cancel();
        m_giveUp.cancel();
        m_finish(std::move(answer));
    }

    // No answer is delivered after this.
    void settle() {
        if (m_settled)
            return;
        m_settled = true;
        m_timeout.cancel();
        m_giveUp.cancel();
        g_cancellable_cancel(m_cancellable);
        Base::GlibThread::shared().post([slot = m_slot] { slot->calls->finished(slot->ticket); });
    }

    GCancellable* const m_cancellable;
    Finish m_finish;
    const std::shared_ptr<Slot> m_slot; // read and written on the GLib thread only
    bool m_settled = false;
    Base::ScheduledTask m_timeout;
    Base::ScheduledTask m_giveUp;
    std::optional<std::stop_callback<std::function<void()>>> m_stop;
};

} // namespace Parlino
