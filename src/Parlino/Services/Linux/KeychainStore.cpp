// GLib's headers name struct members `signals`, which Qt defines as a macro: include them first.
#include <libsecret/secret.h>

#include "Parlino/Services/Linux/KeychainStore.h"

#include "Parlino/Services/Linux/DefaultKeyringRequest.h"
#include "Parlino/Services/Linux/SecretServiceWatch.h"

#include "Base/Linux/GlibThread.h"
#include "Base/Log.h"
#include "Base/MainThread.h"

#include <QByteArrayView>

#include <deque>
#include <functional>
#include <memory>

namespace Parlino {

// A store's calls, made one after another: a call begins once the one before it has been answered
// (or given up), so that a read never overtakes a write or removal that the service has yet to
// carry out, and a read after a stall shows what the stalled call left. Only on the GLib thread.
class CallQueue {
public:
    void enqueue(std::function<void()> begin) {
        m_waiting.push_back(std::move(begin));
        if (!m_busy)
            beginNext();
    }
    void answered() {
        m_busy = false;
        beginNext();
    }

private:
    void beginNext() {
        if (m_waiting.empty())
            return;
        m_busy = true;
        const auto begin = std::move(m_waiting.front());
        m_waiting.pop_front();
        begin();
    }

    std::deque<std::function<void()>> m_waiting;
    bool m_busy = false;
};

namespace {

const Base::Log log(QStringLiteral("keychain"));

SecretSchema makeSchema() {
    SecretSchema schema{};
    schema.name = "org.freedesktop.Secret.Generic";
    schema.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
    schema.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
    schema.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
    return schema;
}

const SecretSchema schema = makeSchema();

using Attributes = std::unique_ptr<GHashTable, decltype(&g_hash_table_unref)>;

Attributes attributes(const QString& service, const QString& account) {
    return Attributes(secret_attributes_build(&schema, "service", service.toUtf8().constData(),
                                              "account", account.toUtf8().constData(), nullptr),
                      &g_hash_table_unref);
}

// Logs what the Secret Service reported and turns it into a status. A keyring left locked (its
// unlock prompt dismissed, or none to be shown) is told apart from other refusals.
qint32 statusOf(GError* error) {
    log.error("secret service error: %{public}s (%{public}s %{public}d)", error->message,
              g_quark_to_string(error->domain), error->code);
    const bool unavailable = g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
                             error->domain == G_IO_ERROR;
    const bool locked = g_error_matches(error, SECRET_ERROR, SECRET_ERROR_IS_LOCKED);
    g_error_free(error);
    return unavailable ? KeychainStatus::unavailable
                       : (locked ? KeychainStatus::locked : KeychainStatus::failed);
}

// One asynchronous libsecret call, begun, answered and read on the GLib thread (libsecret answers
// on GLib's default main context, which that thread runs); what the answer says is handed to the
// main thread. `finish` takes it there when it comes within the time-out or up to
// `KeychainStore::lateAnswerSeconds` after it; `timedOut` runs at the time-out when none came by
// then. Cancellation, or the end of the late answer's wait, gives the call up: nothing runs after
// that. The call lives until libsecret's answer has been handed back (a cancelled call still
// answers, with G_IO_ERROR_CANCELLED); only its cancellable is touched on both threads.
template <class Answer> class PendingCall {
public:
    // Passes the cancellable, ready() and the request on to libsecret. On the GLib thread.
    using Begin = std::function<void(GCancellable*, GAsyncReadyCallback, gpointer)>;
    // Reads libsecret's answer. On the GLib thread.
    using Read = std::function<Answer(GAsyncResult*)>;
    using Finish = std::function<void(Answer)>;

    static void start(Base::Scheduler& scheduler, double timeoutSeconds,
                      std::shared_ptr<CallQueue> calls, std::stop_token cancel, Begin begin,
                      Read read, Finish finish, std::function<void()> timedOut) {
        auto call = std::shared_ptr<PendingCall>(new PendingCall(std::move(finish)));
        const std::weak_ptr<PendingCall> weak = call;
        call->m_timeout =
            scheduler.after(timeoutSeconds, [weak, &scheduler, timedOut = std::move(timedOut)] {
                const auto call = weak.lock();
                if (!call)
                    return;
                call->m_giveUp = scheduler.after(KeychainStore::lateAnswerSeconds, [weak] {
                    if (const auto call = weak.lock())
                        call->settle();
                });
                timedOut();
            });
        call->m_stop.emplace(std::move(cancel), [weak] {
            if (const auto call = weak.lock())
                call->settle();
        });
        auto* request = new Request{std::move(call), std::move(read), std::move(calls)};
        Base::GlibThread::shared().post([request, begin = std::move(begin)]() mutable {
            request->calls->enqueue([request, begin = std::move(begin)] {
                begin(request->call->m_cancellable, &PendingCall::ready, request);
            });
        });
    }

    PendingCall(const PendingCall&) = delete;
    PendingCall& operator=(const PendingCall&) = delete;
    ~PendingCall() { g_object_unref(m_cancellable); }

private:
    // What the GLib thread holds of the call while libsecret works on it.
    struct Request {
        std::shared_ptr<PendingCall> call;
        Read read;
        std::shared_ptr<CallQueue> calls;
    };

    explicit PendingCall(Finish finish)
        : m_cancellable(g_cancellable_new()), m_finish(std::move(finish)) {}

    static void ready(GObject*, GAsyncResult* result, gpointer data) {
        const std::unique_ptr<Request> request(static_cast<Request*>(data));
        Base::MainThread::post(
            [call = std::move(request->call), answer = request->read(result)]() mutable {
                call->land(std::move(answer));
            });
        request->calls->answered();
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
    }

    GCancellable* const m_cancellable;
    Finish m_finish;
    bool m_settled = false;
    Base::ScheduledTask m_timeout;
    Base::ScheduledTask m_giveUp;
    std::optional<std::stop_callback<std::function<void()>>> m_stop;
};

KeychainReadResult readItems(GList* items) {
    KeychainReadResult outcome = KeychainReadResult::notFound();
    for (GList* node = items; node; node = node->next) {
        auto* item = SECRET_ITEM(node->data);
        if (secret_item_get_locked(item)) {
            outcome = KeychainReadResult::locked(KeychainStatus::locked);
            continue;
        }
        SecretValue* value = secret_item_get_secret(item);
        gsize length = 0;
        const gchar* bytes = value ? secret_value_get(value, &length) : nullptr;
        const QByteArrayView data(bytes, bytes ? qsizetype(length) : 0);
        outcome = bytes && data.isValidUtf8() ? KeychainReadResult::found(QString::fromUtf8(data))
                                              : KeychainReadResult::error(KeychainStatus::success);
        if (value)
            secret_value_unref(value);
        break;
    }
    g_list_free_full(items, g_object_unref);
    return outcome;
}

// Tells `reach` of every outcome of a call, the time-out and a late answer too, and hands the
// first of them (which may be the time-out) on to `completion`.
template <class Outcome>
std::function<void(Outcome)> deliverFirst(std::function<void(Outcome)> completion,
                                          std::shared_ptr<StoreReach> reach,
                                          bool (*isAway)(const Outcome&)) {
    auto pending = std::make_shared<std::function<void(Outcome)>>(std::move(completion));
    return [pending, reach = std::move(reach), isAway](Outcome outcome) {
        reach->note(!isAway(outcome));
        if (*pending)
            std::exchange(*pending, nullptr)(std::move(outcome));
    };
}

bool readIsAway(const KeychainReadResult& result) {
    return result.isStoreAway();
}

bool statusIsAway(const qint32& status) {
    return KeychainStatus::isStoreAway(status);
}

// Hands a write's or a removal's status on as its result, logging a failure with `failureLine`.
template <class Error>
std::function<void(qint32)> deliverStatus(std::function<void(Base::Result<void, Error>)> completion,
                                          const char* failureLine,
                                          std::shared_ptr<StoreReach> reach) {
    return deliverFirst<qint32>(
        [completion = std::move(completion), failureLine](qint32 status) {
            if (status == KeychainStatus::success) {
                completion({});
                return;
            }
            log.error(failureLine, status);
            completion(Base::failure(Error{status}));
        },
        std::move(reach), statusIsAway);
}

// The key a write stores, and where.
struct StoreRequest {
    QString service;
    QString account;
    QByteArray label;
    QByteArray secret;
};

// A write as one call of the queue: the default keyring is looked up, and the key stored into it
// only when it is there (noKeyring else). Its outcome, a status, is returned through `task`. On
// the GLib thread.
class StoreCall {
public:
    static void begin(const StoreRequest& request, GTask* task) {
        secret_collection_for_alias(nullptr, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE,
                                    g_task_get_cancellable(task), &StoreCall::keyringFound,
                                    new StoreCall{request, task});
    }

private:
    StoreCall(StoreRequest request, GTask* task) : m_request(std::move(request)), m_task(task) {}

    void finish(qint32 status) {
        g_task_return_int(m_task, status);
        g_object_unref(m_task);
        delete this;
    }

    static void keyringFound(GObject*, GAsyncResult* result, gpointer data) {
        auto* call = static_cast<StoreCall*>(data);
        GError* error = nullptr;
        SecretCollection* keyring = secret_collection_for_alias_finish(result, &error);
        if (error)
            return call->finish(statusOf(error));
        if (!keyring) {
            log.error("secret service holds no default keyring");
            return call->finish(KeychainStatus::noKeyring);
        }
        g_object_unref(keyring);
        const StoreRequest& request = call->m_request;
        secret_password_storev(&schema, attributes(request.service, request.account).get(),
                               SECRET_COLLECTION_DEFAULT, request.label.constData(),
                               request.secret.constData(), g_task_get_cancellable(call->m_task),
                               &StoreCall::stored, call);
    }

    static void stored(GObject*, GAsyncResult* result, gpointer data) {
        GError* error = nullptr;
        secret_password_store_finish(result, &error);
        static_cast<StoreCall*>(data)->finish(error ? statusOf(error) : KeychainStatus::success);
    }

    StoreRequest m_request;
    GTask* m_task;
};

// What a lookup after a removal says about it: a service without a keyring holds no key either.
qint32 statusAfterRemoval(const KeychainReadResult& left) {
    switch (left.kind()) {
    case KeychainReadResult::Kind::notFound:
        return KeychainStatus::success;
    case KeychainReadResult::Kind::found:
        return KeychainStatus::failed;
    case KeychainReadResult::Kind::locked:
    case KeychainReadResult::Kind::error:
        return left.status() == KeychainStatus::noKeyring ? KeychainStatus::success : left.status();
    }
    Q_UNREACHABLE();
}

} // namespace

KeychainStore::KeychainStore(QString service, Base::Scheduler& scheduler, double timeoutSeconds)
    : m_service(std::move(service)), m_scheduler(scheduler), m_timeoutSeconds(timeoutSeconds),
      m_calls(std::make_shared<CallQueue>()), m_reach(std::make_shared<StoreReach>()),
      m_watch(std::make_shared<SecretServiceWatch>(m_reach)) {}

void KeychainStore::whenAnsweringAgain(std::function<void()> answering, std::stop_token cancel) {
    m_reach->wait(std::move(answering), std::move(cancel));
    if (m_reach->isAway())
        m_watch->awaitAnswer();
}

void KeychainStore::lookup(const QString& account, ReadCompletion completion,
                           std::stop_token cancel) {
    auto deliver = std::make_shared<ReadCompletion>(
        deliverFirst<KeychainReadResult>(std::move(completion), m_reach, readIsAway));
    PendingCall<KeychainReadResult>::start(
        m_scheduler, m_timeoutSeconds, m_calls, cancel,
        [service = m_service, account](GCancellable* cancellable, GAsyncReadyCallback ready,
                                       gpointer call) {
            const auto flags = SecretSearchFlags(SECRET_SEARCH_ALL | SECRET_SEARCH_LOAD_SECRETS);
            secret_service_search(nullptr, &schema, attributes(service, account).get(), flags,
                                  cancellable, ready, call);
        },
        [](GAsyncResult* result) {
            GError* error = nullptr;
            GList* items = secret_service_search_finish(nullptr, result, &error);
            return error ? KeychainReadResult::error(statusOf(error)) : readItems(items);
        },
        [store = *this, deliver, cancel](KeychainReadResult outcome) mutable {
            if (outcome.kind() == KeychainReadResult::Kind::notFound)
                return store.checkKeyring(deliver, cancel);
            (*deliver)(std::move(outcome));
        },
        [deliver] { (*deliver)(KeychainReadResult::error(KeychainStatus::timedOut)); });
}

// A secret service started on demand in place of the one that went away may hold no keyring at
// all: the key is then out of reach, not missing, and a read says so.
void KeychainStore::checkKeyring(std::shared_ptr<ReadCompletion> deliver, std::stop_token cancel) {
    PendingCall<KeychainReadResult>::start(
        m_scheduler, m_timeoutSeconds, m_calls, std::move(cancel),
        [](GCancellable* cancellable, GAsyncReadyCallback ready, gpointer call) {
            secret_collection_for_alias(nullptr, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE,
                                        cancellable, ready, call);
        },
        [](GAsyncResult* result) {
            GError* error = nullptr;
            SecretCollection* keyring = secret_collection_for_alias_finish(result, &error);
            if (error)
                return KeychainReadResult::error(statusOf(error));
            if (!keyring) {
                log.error("secret service holds no default keyring");
                return KeychainReadResult::error(KeychainStatus::noKeyring);
            }
            g_object_unref(keyring);
            return KeychainReadResult::notFound();
        },
        [deliver](KeychainReadResult outcome) { (*deliver)(std::move(outcome)); },
        [deliver] { (*deliver)(KeychainReadResult::error(KeychainStatus::timedOut)); });
}

// A service without a default keyring would make one itself, under a prompt that no call's
// time-out waits for: the store asks for one first, waits as long as the user takes over the
// prompt, and stores the key then. A store that was given up on (told as timed out) asks for none.
void KeychainStore::write(const QString& account, const QString& value, WriteCompletion completion,
                          std::stop_token cancel) {
    auto deliver =
        deliverStatus(std::move(completion), "keychain add failed: OSStatus=%{public}d", m_reach);
    auto givenUp = std::make_shared<bool>(false);
    storeItem(
        account, value,
        [store = *this, account, value, deliver, givenUp, cancel](qint32 status) mutable {
            if (status != KeychainStatus::noKeyring || *givenUp)
                return deliver(status);
            DefaultKeyringRequest::start(
                store.m_scheduler, store.m_timeoutSeconds,
                [store, account, value, deliver, cancel](qint32 made) mutable {
                    if (made != KeychainStatus::success)
                        return deliver(made);
                    store.storeItem(
                        account, value, deliver, [deliver] { deliver(KeychainStatus::timedOut); },
                        cancel);
                },
                cancel);
        },
        [deliver, givenUp] {
            *givenUp = true;
            deliver(KeychainStatus::timedOut);
        },
        cancel);
}

void KeychainStore::storeItem(const QString& account, const QString& value,
                              std::function<void(qint32)> finish, std::function<void()> timedOut,
                              std::stop_token cancel) {
    PendingCall<qint32>::start(
        m_scheduler, m_timeoutSeconds, m_calls, std::move(cancel),
        [request = StoreRequest{m_service, account, (m_service + u' ' + account).toUtf8(),
                                value.toUtf8()}](GCancellable* cancellable,
                                                 GAsyncReadyCallback ready, gpointer call) {
            StoreCall::begin(request, g_task_new(nullptr, cancellable, ready, call));
        },
        [](GAsyncResult* result) { return qint32(g_task_propagate_int(G_TASK(result), nullptr)); },
        std::move(finish), std::move(timedOut));
}

// The Secret Service leaves items of a locked collection in place and still reports success, so
// a removal counts only once a lookup no longer finds the key.
void KeychainStore::remove(const QString& account, DeleteCompletion completion,
                           std::stop_token cancel) {
    auto deliver = deliverStatus(std::move(completion),
                                 "keychain delete failed: OSStatus=%{public}d", m_reach);
    PendingCall<qint32>::start(
        m_scheduler, m_timeoutSeconds, m_calls, cancel,
        [service = m_service, account](GCancellable* cancellable, GAsyncReadyCallback ready,
                                       gpointer call) {
            secret_password_clearv(&schema, attributes(service, account).get(), cancellable, ready,
                                   call);
        },
        [](GAsyncResult* result) {
            GError* error = nullptr;
            secret_password_clear_finish(result, &error);
            return error ? statusOf(error) : KeychainStatus::success;
        },
        [store = *this, account, deliver, cancel](qint32 status) mutable {
            if (status != KeychainStatus::success)
                return deliver(status);
            store.lookup(
                account,
                [deliver](const KeychainReadResult& left) { deliver(statusAfterRemoval(left)); },
                cancel);
        },
        [deliver] { deliver(KeychainStatus::timedOut); });
}

} // namespace Parlino
