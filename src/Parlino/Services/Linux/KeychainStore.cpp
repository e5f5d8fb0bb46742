// GLib's headers name struct members `signals`, which Qt defines as a macro: include them first.
#include <libsecret/secret.h>

#include "Parlino/Services/Linux/LibsecretCall.h"

#include "Parlino/Services/Linux/KeychainStore.h"

#include "Parlino/Services/Linux/DefaultKeyringRequest.h"
#include "Parlino/Services/Linux/KeyringUnlock.h"
#include "Parlino/Services/Linux/SecretServiceWatch.h"

#include "Base/Log.h"

#include <QByteArrayView>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace Parlino {

// What a write's call reports: its status, and the default keyring's object path when the status
// says that keyring is locked.
struct StoreOutcome {
    qint32 status;
    QString lockedKeyring;
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

// Logs what the Secret Service reported and turns it into a status. A keyring left locked is told
// apart from other refusals; a call given up here is no news of the service.
qint32 statusOf(GError* error) {
    if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
        log.error("secret service error: %{public}s (%{public}s %{public}d)", error->message,
                  g_quark_to_string(error->domain), error->code);
    const bool unavailable = g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
                             error->domain == G_IO_ERROR;
    const bool locked = g_error_matches(error, SECRET_ERROR, SECRET_ERROR_IS_LOCKED);
    g_error_free(error);
    return unavailable ? KeychainStatus::unavailable
                       : (locked ? KeychainStatus::locked : KeychainStatus::failed);
}

// The key in one unlocked item: its text, or why there is none to use.
KeychainReadResult readItem(SecretItem* item) {
    SecretValue* value = secret_item_get_secret(item);
    gsize length = 0;
    const gchar* bytes = value ? secret_value_get(value, &length) : nullptr;
    const QByteArrayView data(bytes, bytes ? qsizetype(length) : 0);
    const KeychainReadResult result = !bytes ? KeychainReadResult::error(KeychainStatus::success)
                                      : !data.isValidUtf8()
                                          ? KeychainReadResult::error(KeychainStatus::unusable)
                                          : KeychainReadResult::found(QString::fromUtf8(data));
    if (value)
        secret_value_unref(value);
    return result;
}

// Another program may have stored an item under the key's attributes with others besides, which
// a save does not replace: the key is the newest unlocked item's, a text one first among those
// changed in the same second.
KeychainReadResult readItems(GList* items) {
    bool anyLocked = false;
    std::optional<KeychainReadResult> newest;
    std::pair<guint64, bool> newestOrder;
    for (GList* node = items; node; node = node->next) {
        auto* item = SECRET_ITEM(node->data);
        if (secret_item_get_locked(item)) {
            anyLocked = true;
            continue;
        }
        KeychainReadResult result = readItem(item);
        const std::pair order(secret_item_get_modified(item),
                              result.kind() == KeychainReadResult::Kind::found);
        if (!newest || order > newestOrder) {
            newest = std::move(result);
            newestOrder = order;
        }
    }
    g_list_free_full(items, g_object_unref);
    if (newest)
        return *newest;
    return anyLocked ? KeychainReadResult::locked(KeychainStatus::locked)
                     : KeychainReadResult::notFound();
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
// only when it is there and unlocked (noKeyring, or locked with its path, else). Nothing in it
// prompts, so that cancelling it never dismisses a prompt. Its outcome is returned through
// `task`. On the GLib thread.
class StoreCall {
public:
    static void begin(const StoreRequest& request, GTask* task) {
        secret_collection_for_alias(nullptr, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE,
                                    g_task_get_cancellable(task), &StoreCall::keyringFound,
                                    new StoreCall{request, task});
    }

    static StoreOutcome outcome(GAsyncResult* result) {
        auto* outcome =
            static_cast<StoreOutcome*>(g_task_propagate_pointer(G_TASK(result), nullptr));
        const StoreOutcome answer = outcome ? *outcome : StoreOutcome{KeychainStatus::failed, {}};
        delete outcome;
        return answer;
    }

private:
    StoreCall(StoreRequest request, GTask* task) : m_request(std::move(request)), m_task(task) {}

    void finish(StoreOutcome outcome) {
        g_task_return_pointer(m_task, new StoreOutcome(std::move(outcome)),
                              [](gpointer outcome) { delete static_cast<StoreOutcome*>(outcome); });
        g_object_unref(m_task);
        delete this;
    }

    static void keyringFound(GObject*, GAsyncResult* result, gpointer data) {
        auto* call = static_cast<StoreCall*>(data);
        GError* error = nullptr;
        SecretCollection* keyring = secret_collection_for_alias_finish(result, &error);
        if (error)
            return call->finish({statusOf(error), {}});
        if (!keyring) {
            log.error("secret service holds no default keyring");
            return call->finish({KeychainStatus::noKeyring, {}});
        }
        if (secret_collection_get_locked(keyring)) {
            const QString path =
                QString::fromUtf8(g_dbus_proxy_get_object_path(G_DBUS_PROXY(keyring)));
            g_object_unref(keyring);
            return call->finish({KeychainStatus::locked, path});
        }
        const StoreRequest& request = call->m_request;
        SecretValue* value =
            secret_value_new(request.secret.constData(), request.secret.size(), "text/plain");
        secret_item_create(keyring, &schema, attributes(request.service, request.account).get(),
                           request.label.constData(), value, SECRET_ITEM_CREATE_REPLACE,
                           g_task_get_cancellable(call->m_task), &StoreCall::stored, call);
        secret_value_unref(value);
        g_object_unref(keyring);
    }

    static void stored(GObject*, GAsyncResult* result, gpointer data) {
        GError* error = nullptr;
        SecretItem* item = secret_item_create_finish(result, &error);
        if (item)
            g_object_unref(item);
        static_cast<StoreCall*>(data)->finish(
            {error ? statusOf(error) : KeychainStatus::success, {}});
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
      m_watch(std::make_shared<SecretServiceWatch>(m_reach)),
      m_unlock(std::make_shared<KeyringUnlock>(
          timeoutSeconds, [reach = m_reach] { reach->mayAnswerOtherwise(); })) {
    m_reach->askWhenAway([watch = std::weak_ptr(m_watch)] {
        if (const auto alive = watch.lock())
            alive->awaitAnswer();
    });
}

void KeychainStore::whenMayAnswerOtherwise(std::function<void()> changed, std::stop_token cancel) {
    m_reach->wait(std::move(changed), std::move(cancel));
}

void KeychainStore::lookup(const QString& account, ReadCompletion completion,
                           std::stop_token cancel) {
    auto deliver = std::make_shared<ReadCompletion>(
        deliverFirst<KeychainReadResult>(std::move(completion), m_reach, readIsAway));
    PendingCall<KeychainReadResult>::start(
        {m_scheduler, m_timeoutSeconds, lateAnswerSeconds}, m_calls, cancel,
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
            (*deliver)(store.duringUnlock(std::move(outcome)));
        },
        [deliver] { (*deliver)(KeychainReadResult::error(KeychainStatus::timedOut)); });
}

// A secret service started on demand in place of the one that went away may hold no keyring at
// all: the key is then out of reach, not missing, and a read says so.
void KeychainStore::checkKeyring(std::shared_ptr<ReadCompletion> deliver, std::stop_token cancel) {
    PendingCall<KeychainReadResult>::start(
        {m_scheduler, m_timeoutSeconds, lateAnswerSeconds}, m_calls, std::move(cancel),
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
        [store = *this, deliver](KeychainReadResult outcome) {
            (*deliver)(store.duringUnlock(std::move(outcome)));
        },
        [deliver] { (*deliver)(KeychainReadResult::error(KeychainStatus::timedOut)); });
}

// The key to use is the one that waits for the unlock, whatever the locked keyring holds now.
KeychainReadResult KeychainStore::duringUnlock(KeychainReadResult result) const {
    const bool noKeyToUse = result.kind() == KeychainReadResult::Kind::locked ||
                            result.kind() == KeychainReadResult::Kind::notFound;
    return noKeyToUse && m_unlock->isPrompting()
               ? KeychainReadResult::locked(KeychainStatus::awaitingUnlock)
               : result;
}

// A locked keyring, or a service without a default keyring, would have libsecret prompt inside a
// call that its time-out gives up (cancelling it dismisses the prompt): the store asks for the
// unlock or the keyring itself, waits as long as the user takes over the prompt, and stores the
// key then. A store that was given up on (told as timed out) asks for neither.
void KeychainStore::write(const QString& account, const QString& value, WriteCompletion completion,
                          std::stop_token cancel) {
    auto deliver =
        deliverStatus(std::move(completion), "keychain add failed: OSStatus=%{public}d", m_reach);
    auto givenUp = std::make_shared<bool>(false);
    const auto storeAgain = [store = *this, account, value, deliver,
                             cancel](qint32 status) mutable {
        if (status != KeychainStatus::success)
            return deliver(status);
        store.storeItem(
            account, value, [deliver](const StoreOutcome& again) { deliver(again.status); },
            [deliver] { deliver(KeychainStatus::timedOut); }, cancel);
    };
    storeItem(
        account, value,
        [store = *this, deliver, givenUp, storeAgain, cancel](const StoreOutcome& outcome) {
            if (*givenUp)
                return deliver(outcome.status);
            if (outcome.status == KeychainStatus::noKeyring)
                return DefaultKeyringRequest::start(store.m_timeoutSeconds, storeAgain, cancel);
            if (outcome.status == KeychainStatus::locked && !outcome.lockedKeyring.isEmpty())
                return store.m_unlock->unlock(outcome.lockedKeyring, storeAgain, cancel);
            deliver(outcome.status);
        },
        [deliver, givenUp] {
            *givenUp = true;
            deliver(KeychainStatus::timedOut);
        },
        cancel);
}

void KeychainStore::storeItem(const QString& account, const QString& value,
                              std::function<void(StoreOutcome)> finish,
                              std::function<void()> timedOut, std::stop_token cancel) {
    PendingCall<StoreOutcome>::start(
        {m_scheduler, m_timeoutSeconds, lateAnswerSeconds}, m_calls, std::move(cancel),
        [request = StoreRequest{m_service, account, (m_service + u' ' + account).toUtf8(),
                                value.toUtf8()}](GCancellable* cancellable,
                                                 GAsyncReadyCallback ready, gpointer call) {
            StoreCall::begin(request, g_task_new(nullptr, cancellable, ready, call));
        },
        &StoreCall::outcome, std::move(finish), std::move(timedOut));
}

// The Secret Service leaves items of a locked collection in place and still reports success, so
// a removal counts only once a lookup no longer finds the key.
void KeychainStore::remove(const QString& account, DeleteCompletion completion,
                           std::stop_token cancel) {
    auto deliver = deliverStatus(std::move(completion),
                                 "keychain delete failed: OSStatus=%{public}d", m_reach);
    PendingCall<qint32>::start(
        {m_scheduler, m_timeoutSeconds, lateAnswerSeconds}, m_calls, cancel,
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
