#pragma once

#include "Defaults/Serializable.h"

#include <QHashFunctions>

#include <concepts>
#include <optional>
#include <type_traits>

namespace Defaults {

// A settings value of no fixed type: whatever the user-defaults database can store, or
// nothing. It lets a key, an array or a dictionary of settings mix types:
//
//   const Defaults::Key<Defaults::AnySerializable> extra{"extra", 5};
//   Defaults::set(extra, QStringLiteral("text"));
//   std::optional<QString> text = Defaults::get(extra).get<QString>();
//   QList<Defaults::AnySerializable> mixed{1, "a", true};
//
// It always holds a stored form: a value built from a typed value holds that value's stored
// object (the value itself for native types, else its bridge's output). An empty value stands
// for "no value", as an empty optional does: writing it to a key removes the stored object.
class AnySerializable {
public:
    // Empty.
    AnySerializable() = default;
    AnySerializable(std::nullopt_t) {}
    // Holds the stored object as it is, or nothing.
    AnySerializable(Base::PropertyValue value) : m_value(std::move(value)) {}
    AnySerializable(std::optional<Base::PropertyValue> value) : m_value(std::move(value)) {}
    AnySerializable(const char* text) : m_value(Base::PropertyValue(text)) {}
    // Holds the value's stored form; empty when the value cannot be stored.
    template <class T>
    requires(!std::same_as<std::remove_cvref_t<T>, AnySerializable> && !std::is_array_v<T> &&
             Storable<T>) AnySerializable(const T& value)
        : m_value(Defaults::serialize(value)) {}

    const std::optional<Base::PropertyValue>& value() const { return m_value; }
    bool isNil() const { return !m_value.has_value(); }

    // The held object as a T, or nothing when it does not convert.
    template <Storable T> std::optional<T> get() const {
        return m_value ? Defaults::deserialize<T>(*m_value) : std::nullopt;
    }
    // Replaces the held object with the value's stored form (empty when it cannot be stored).
    template <Storable T> void set(const std::type_identity_t<T>& value) {
        m_value = Defaults::serialize(value);
    }

    // Equal when both hold equal objects of the same type (so the integer 5 differs from the
    // double 5.0 and from true, and a NaN differs from itself), or when both are empty.
    friend bool operator==(const AnySerializable&, const AnySerializable&) = default;
    // Equal values hash alike; both zeros of a double hash as 0.
    friend size_t qHash(const AnySerializable& value, size_t seed = 0) { return value.hash(seed); }
    friend bool isNil(const AnySerializable& value) { return value.isNil(); }

private:
    size_t hash(size_t seed) const;

    std::optional<Base::PropertyValue> m_value;
};

// Stores what an AnySerializable holds. A stored object always reads back, as itself.
struct AnyBridge {
    static std::optional<PropertyValue> serialize(const AnySerializable& value) {
        return value.value();
    }
    static std::optional<AnySerializable> deserialize(const PropertyValue& object) {
        return AnySerializable(object);
    }
};

template <> struct Serializable<AnySerializable> {
    static constexpr bool isNativelySupportedType = false;
    using Bridge = AnyBridge;
};

} // namespace Defaults
