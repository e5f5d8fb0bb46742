#pragma once

#include <QByteArray>

#include <functional>
#include <memory>

namespace Base {

// Bytes at hand, or read by a loader the first time they are asked for. Copies share the bytes
// and the one load; asking from several threads at once is safe.
class LazyBytes {
public:
    // Runs once; empty bytes stand for a load that failed.
    using Loader = std::function<QByteArray()>;

    LazyBytes() : LazyBytes(QByteArray()) {}
    // Bytes at hand convert implicitly, as they do to QByteArray.
    LazyBytes(QByteArray bytes);                                   // NOLINT
    LazyBytes(const char* bytes) : LazyBytes(QByteArray(bytes)) {} // NOLINT
    static LazyBytes onFirstUse(Loader loader);

    const QByteArray& bytes() const;
    operator const QByteArray&() const { return bytes(); } // NOLINT

    friend bool operator==(const LazyBytes& a, const LazyBytes& b) {
        return a.bytes() == b.bytes();
    }

private:
    struct State;
    explicit LazyBytes(std::shared_ptr<State> state) : m_state(std::move(state)) {}

    std::shared_ptr<State> m_state;
};

} // namespace Base
