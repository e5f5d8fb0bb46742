#pragma once

#include "Base/Date.h"
#include "Defaults/DefaultsKeyValueStore.h"
#include "Defaults/Observation.h"
#include "Defaults/TaskQueue.h"

#include <QObject>
#include <QSet>

#include <functional>
#include <memory>
#include <optional>

namespace Defaults {

namespace iCloud {
// The side whose value wins one synchronisation of a key.
enum class DataSource { local, remote };
} // namespace iCloud

// Mirrors settings keys into a key-value store shared between the user's devices, the newer
// value winning.
//
// The remote store holds each key under its name as [timestamp, stored value]; the key's own
// suite holds the time of its last local change or download under the name followed by
// `defaultsSyncKey`. While a key is synchronised, each local write queues an upload, and each
// external change newer than the local timestamp queues a download. The work runs one
// operation at a time, in order, off the main thread; a download writes the local value on
// the main thread and is not answered by an upload. The work goes with the synchroniser: the
// operations queued run as it goes, and a download not yet written then is dropped.
class iCloudSynchronizer final {
public:
    using DataSource = iCloud::DataSource;

    static inline const QString defaultsSyncKey =
        QStringLiteral("__DEFAULTS__synchronizeTimestamp");

    // `now` dates every queued operation as it starts.
    static std::shared_ptr<iCloudSynchronizer>
    make(std::shared_ptr<DefaultsKeyValueStore> remoteStorage,
         std::function<Base::Date()> now = &Base::Date::now);
    ~iCloudSynchronizer();
    iCloudSynchronizer(const iCloudSynchronizer&) = delete;
    iCloudSynchronizer& operator=(const iCloudSynchronizer&) = delete;

    // Starts synchronising the key. A key holding its default value takes the remote value
    // when the remote one is newer; any other key is synchronised from the newer side.
    template <class T> void add(const Key<T>& key) { add(key, holdsDefaultValue(key)); }
    void add(const AnyKey& key, bool holdsDefaultValue);
    void remove(const AnyKey& key);
    void removeAll();
    // Calls `completion` on the main thread once every operation queued before has finished.
    void sync(std::function<void()> completion);
    QSet<AnyKey> keys() const { return m_keys.value(); }

    std::optional<Base::Date> remoteTimestamp(const AnyKey& key) const;
    std::optional<Base::Date> localTimestamp(const AnyKey& key) const;
    // The side with the later timestamp (remote when they are equal), or none without either.
    std::optional<DataSource> latestSide(const AnyKey& key) const;

private:
    using Operation = std::function<void(Base::Date timestamp, TaskQueue::Done done)>;

    iCloudSynchronizer(std::shared_ptr<DefaultsKeyValueStore> remoteStorage,
                       std::function<Base::Date()> now);

    void synchronize(const AnyKey& key, std::optional<DataSource> source);
    void enqueue(Operation operation);
    void synchronizeFrom(const AnyKey& key, DataSource side, Base::Date timestamp,
                         const TaskQueue::Done& done);
    void syncFromLocal(const AnyKey& key, Base::Date timestamp);
    void syncFromRemote(const AnyKey& key, Base::Date timestamp, TaskQueue::Done done);
    void recordLocalTimestamp(const AnyKey& key, Base::Date timestamp);
    void localKeyChanged(const SuiteKeyPair& pair);
    void remoteKeysChanged(const QStringList& changedKeys);

    const std::shared_ptr<DefaultsKeyValueStore> m_remoteStorage;
    const std::function<Base::Date()> m_now;
    Atomic<QSet<AnyKey>> m_keys;
    Atomic<QSet<AnyKey>> m_remoteSyncingKeys;
    std::shared_ptr<CompositeDefaultsObservation> m_localKeysMonitor;
    // Hands the downloads' writes and the syncs' completions to the main thread.
    const std::unique_ptr<QObject> m_receiver = std::make_unique<QObject>();
    TaskQueue m_backgroundQueue; // declared last: its operations use everything above
};

} // namespace Defaults
