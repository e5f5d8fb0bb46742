#include "Base/LazyBytes.h"

#include <mutex>
#include <utility>

namespace Base {

struct LazyBytes::State {
    Loader loader;
    QByteArray bytes;
    std::once_flag once;
};

LazyBytes::LazyBytes(QByteArray bytes) : m_state(std::make_shared<State>()) {
    m_state->bytes = std::move(bytes);
    std::call_once(m_state->once, [] {});
}

LazyBytes LazyBytes::onFirstUse(Loader loader) {
    auto state = std::make_shared<State>();
    state->loader = std::move(loader);
    return LazyBytes(std::move(state));
}

const QByteArray& LazyBytes::bytes() const {
    std::call_once(m_state->once, [state = m_state.get()] {
        state->bytes = std::exchange(state->loader, nullptr)();
    });
    return m_state->bytes;
}

} // namespace Base
