#include "Defaults/Default.h"

namespace Defaults {

Observable::Observable(const AnyKey& key, QObject* parent) : QObject(parent) {
    observe(key);
}

void Observable::observe(const AnyKey& key) {
    // Replacing the stream cancels the previous one, which ends its observation. Elements are
    // delivered on the main thread, where this object lives and dies, so `this` is safe here.
    m_updates = updates({key}, false);
    m_updates.listen([this](std::monostate) { emit changed(); }, [](auto) {});
}

} // namespace Defaults
