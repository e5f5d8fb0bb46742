#pragma once

#include <cassert>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace Base {

// The failure side of a Result, built with Base::failure(error).
template <class E> struct Failure { E error; };

template <class E> Failure<std::decay_t<E>> failure(E&& error) {
    return {std::forward<E>(error)};
}

// A value or a typed error: what a throwing function returns where no exception may cross.
template <class T, class E> class [[nodiscard]] Result {
public:
    Result(T value) : m_storage(std::in_place_index<0>, std::move(value)) {}
    template <class F>
    requires std::is_constructible_v<E, F> Result(Failure<F> f)
        : m_storage(std::in_place_index<1>, E(std::move(f.error))) {}

    bool hasValue() const { return m_storage.index() == 0; }
    explicit operator bool() const { return hasValue(); }

    T& value() & {
        assert(hasValue());
        return std::get<0>(m_storage);
    }
    const T& value() const& {
        assert(hasValue());
        return std::get<0>(m_storage);
    }
    T&& value() && {
        assert(hasValue());
        return std::get<0>(std::move(m_storage));
    }
    const E& error() const {
        assert(!hasValue());
        return std::get<1>(m_storage);
    }
    T valueOr(T fallback) const {
        return hasValue() ? std::get<0>(m_storage) : std::move(fallback);
    }

    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }

private:
    std::variant<T, E> m_storage;
};

// A Result without a value: success, or an error.
template <class E> class [[nodiscard]] Result<void, E> {
public:
    Result() = default;
    template <class F>
    requires std::is_constructible_v<E, F> Result(Failure<F> f) : m_error(E(std::move(f.error))) {}

    bool hasValue() const { return !m_error.has_value(); }
    explicit operator bool() const { return hasValue(); }
    const E& error() const {
        assert(m_error.has_value());
        return *m_error;
    }

private:
    std::optional<E> m_error;
};

} // namespace Base
