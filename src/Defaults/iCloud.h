#pragma once

#include "Defaults/iCloudSynchronizer.h"

// Synchronisation of chosen settings keys between the user's devices, through one shared
// iCloudSynchronizer. This system has no store shared between devices, so the shared
// synchroniser mirrors into an InMemoryKeyValueStore; it is created on first use, and nothing
// uses it unless a key is added (or declared with its iCloud flag set).
namespace Defaults::iCloud {

iCloudSynchronizer& synchronizer();

template <class... T> void add(const Key<T>&... keys) {
    (synchronizer().add(keys), ...);
}
void remove(const QList<AnyKey>& keys);
void removeAll();
// Calls `completion` on the main thread once every synchronisation queued before has finished.
void sync(std::function<void()> completion);
QSet<AnyKey> keys();

// While off (as at start), the synchronisation logs nothing.
bool isDebug();
void setDebug(bool debug);

} // namespace Defaults::iCloud
