#include "Defaults/iCloud.h"

#include "Defaults/InMemoryKeyValueStore.h"

#include <atomic>

namespace Defaults::iCloud {

namespace {
std::atomic<bool> debugSwitch = false;
} // namespace

iCloudSynchronizer& synchronizer() {
    // Never destroyed: keys may be synchronised until the very end of the process.
    static auto* const shared =
        new std::shared_ptr(iCloudSynchronizer::make(std::make_shared<InMemoryKeyValueStore>()));
    return **shared;
}

void remove(const QList<AnyKey>& keys) {
    for (const auto& key : keys)
        synchronizer().remove(key);
}

void removeAll() {
    synchronizer().removeAll();
}

void sync(std::function<void()> completion) {
    synchronizer().sync(std::move(completion));
}

QSet<AnyKey> keys() {
    return synchronizer().keys();
}

bool isDebug() {
    return debugSwitch;
}

void setDebug(bool debug) {
    debugSwitch = debug;
}

namespace detail {
void addDeclaredKey(const AnyKey& key, bool holdsDefaultValue) {
    synchronizer().add(key, holdsDefaultValue);
}
} // namespace detail

} // namespace Defaults::iCloud
