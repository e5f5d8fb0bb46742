#pragma once

#include "Base/PropertyValue.h"
#include "Defaults/Codable.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <concepts>
#include <limits>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

// How a settings value becomes a value of the user-defaults database and back.
//
// Every type a key may hold has a `Defaults::Serializable<T>` with two members:
//  - `isNativelySupportedType`: the value is stored as itself (a bool as a boolean, an integer
//    as an integer, a QString as a string, a QList of such as an array, ...);
//  - `Bridge`: the conversion used otherwise, a type with the static functions
//      std::optional<Base::PropertyValue> serialize(const Value&);
//      std::optional<Value> deserialize(const Base::PropertyValue&);
//    where nothing means "cannot be converted".
// A type that is neither native nor listed below is storable once it has a raw value
// (specialise `RawRepresentation`) or a JSON form (`Codable`), or by specialising
// `Serializable` with a bridge of its own.
//
// Native reading is exact: an integer type reads only integers that fit it, a floating type
// reads doubles and integers, bool reads only booleans, and so on. An unsigned value above the
// largest signed 64-bit integer is stored as its JSON text.
namespace Defaults {

using Base::PropertyValue;

template <class T> struct Serializable;

// A type with a raw value: specialise with `using RawValue = ...;`,
// `static RawValue rawValue(const T&)` and `static std::optional<T> fromRawValue(const RawValue&)`.
template <class T> struct RawRepresentation {};

template <class T>
concept RawRepresentable = requires(const T& value) {
    typename RawRepresentation<T>::RawValue;
    {
        RawRepresentation<T>::rawValue(value)
        } -> std::same_as<typename RawRepresentation<T>::RawValue>;
    {
        RawRepresentation<T>::fromRawValue(RawRepresentation<T>::rawValue(value))
        } -> std::same_as<std::optional<T>>;
};

// Set to true to store a raw-value type by its raw value even when it has a JSON form.
template <class T> inline constexpr bool preferRawRepresentable = false;

// A half-open or closed range: `Bound`, `lowerBound`, `upperBound`, built from {lower, upper}.
template <class R>
concept Range = requires(const R& range) {
    typename R::Bound;
    { range.lowerBound } -> std::convertible_to<typename R::Bound>;
    { range.upperBound } -> std::convertible_to<typename R::Bound>;
    R{range.lowerBound, range.upperBound};
};

template <class T>
concept Storable = !std::is_void_v<typename Serializable<T>::Bridge>;

// The bridges (defined in Defaults/Bridges.h).
template <class T> struct TopLevelCodableBridge;
template <class T> struct RawRepresentableBridge;
template <class T> struct OptionalBridge;
template <class C> struct ArrayBridge;
template <class M> struct DictionaryBridge;
template <class S> struct SetBridge;
template <class R> struct RangeBridge;
struct URLBridge;
struct UUIDBridge;

// A raw-value type with a JSON form is stored as the JSON text of the whole value.
template <class T> using RawRepresentableCodableBridge = TopLevelCodableBridge<T>;

template <class T> auto defaultBridge() {
    if constexpr (RawRepresentable<T> && (preferRawRepresentable<T> || !Codable<T>))
        return std::type_identity<RawRepresentableBridge<T>>{};
    else if constexpr (RawRepresentable<T>)
        return std::type_identity<RawRepresentableCodableBridge<T>>{};
    else if constexpr (Codable<T>)
        return std::type_identity<TopLevelCodableBridge<T>>{};
    else if constexpr (Range<T>)
        return std::type_identity<RangeBridge<T>>{};
    else
        return std::type_identity<void>{};
}

// Types not listed below: chosen by what the type offers.
template <class T> struct Serializable {
    static constexpr bool isNativelySupportedType = false;
    using Bridge = typename decltype(defaultBridge<T>())::type;
};

// The value's stored object, or nothing when it cannot be stored.
template <Storable T> std::optional<PropertyValue> serialize(const T& value) {
    using S = Serializable<T>;
    if constexpr (S::isNativelySupportedType)
        return S::store(value);
    else
        return S::Bridge::serialize(value);
}

// The value a stored object holds, or nothing when it does not convert to T. A natively
// stored type whose object has another form gets a second chance through its bridge.
template <Storable T> std::optional<T> deserialize(const PropertyValue& object) {
    using S = Serializable<T>;
    if constexpr (S::isNativelySupportedType) {
        if (auto value = S::load(object))
            return value;
    }
    return S::Bridge::deserialize(object);
}

// True for a value that stands for "no value": writing it removes the stored object.
template <class T> bool isNil(const T&) {
    return false;
}
template <class T> bool isNil(const std::optional<T>& value) {
    return !value.has_value();
}

// ---- Natively stored types.

template <class T>
concept NativeScalar = std::same_as<T, bool> || std::same_as<T, QString> ||
    std::same_as<T, QByteArray> || std::same_as<T, Base::Date> || detail::Number<T>;

template <NativeScalar T> struct Serializable<T> {
    static constexpr bool isNativelySupportedType = true;
    using Bridge = TopLevelCodableBridge<T>;

    static std::optional<PropertyValue> store(const T& value) {
        if constexpr (std::integral<T> && !std::same_as<T, bool>) {
            // Beyond the database's integers: the JSON text, which reads back exactly.
            if (std::cmp_greater(value, std::numeric_limits<qint64>::max()))
                return Bridge::serialize(value);
            return PropertyValue(qint64(value));
        } else if constexpr (std::floating_point<T>) {
            return PropertyValue(double(value));
        } else {
            return PropertyValue(value);
        }
    }

    static std::optional<T> load(const PropertyValue& object) {
        if constexpr (std::integral<T> && !std::same_as<T, bool>) {
            const auto* integer = object.as<qint64>();
            if (integer && std::in_range<T>(*integer))
                return T(*integer);
            return std::nullopt;
        } else if constexpr (std::floating_point<T>) {
            if (const auto* real = object.as<double>())
                return T(*real);
            if (const auto* integer = object.as<qint64>())
                return T(*integer);
            return std::nullopt;
        } else {
            if (const auto* value = object.as<T>())
                return *value;
            return std::nullopt;
        }
    }
};

// ---- Conditionally native types: native when their elements are.

template <Storable W> struct Serializable<std::optional<W>> {
    static constexpr bool isNativelySupportedType = Serializable<W>::isNativelySupportedType;
    using Bridge = OptionalBridge<W>;

    static std::optional<PropertyValue> store(const std::optional<W>& value) {
        return value ? serialize(*value) : std::nullopt;
    }
    static std::optional<std::optional<W>> load(const PropertyValue& object) {
        if (auto value = deserialize<W>(object))
            return std::optional<W>(std::move(*value));
        return std::nullopt;
    }
};

template <class C> struct ArraySerializable {
    using Element = typename C::value_type;
    static constexpr bool isNativelySupportedType = Serializable<Element>::isNativelySupportedType;
    using Bridge = ArrayBridge<C>;

    static std::optional<PropertyValue> store(const C& values) {
        PropertyValue::Array array;
        for (const auto& value : values)
            if (auto stored = serialize(value))
                array.append(std::move(*stored));
        return PropertyValue(std::move(array));
    }
    // All or nothing: one element of another type fails the whole array.
    static std::optional<C> load(const PropertyValue& object) {
        const auto* array = object.as<PropertyValue::Array>();
        if (!array)
            return std::nullopt;
        C values;
        for (const auto& element : *array) {
            auto value = deserialize<Element>(element);
            if (!value)
                return std::nullopt;
            values.push_back(std::move(*value));
        }
        return values;
    }
};

template <Storable E> struct Serializable<QList<E>> : ArraySerializable<QList<E>> {};
template <Storable E> struct Serializable<std::vector<E>> : ArraySerializable<std::vector<E>> {};

// A key type that converts to and from text without loss.
template <class K>
concept LosslessStringConvertible = std::same_as<K, QString> ||
    (std::integral<K> && !std::same_as<K, bool>);

template <class M> struct DictionarySerializable {
    using Key = typename M::key_type;
    using Value = typename M::mapped_type;
    static constexpr bool isNativelySupportedType =
        std::same_as<Key, QString> && Serializable<Value>::isNativelySupportedType;
    using Bridge = DictionaryBridge<M>;

    static std::optional<PropertyValue> store(const M& values) {
        PropertyValue::Dictionary dictionary;
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            if (auto stored = serialize(it.value()))
                dictionary.insert(it.key(), std::move(*stored));
        return PropertyValue(std::move(dictionary));
    }
    static std::optional<M> load(const PropertyValue& object) {
        const auto* dictionary = object.as<PropertyValue::Dictionary>();
        if (!dictionary)
            return std::nullopt;
        M values;
        for (auto it = dictionary->cbegin(); it != dictionary->cend(); ++it) {
            auto value = deserialize<Value>(it.value());
            if (!value)
                return std::nullopt;
            values.insert(it.key(), std::move(*value));
        }
        return values;
    }
};

template <LosslessStringConvertible K, Storable V>
struct Serializable<QMap<K, V>> : DictionarySerializable<QMap<K, V>> {};
template <LosslessStringConvertible K, Storable V>
struct Serializable<QHash<K, V>> : DictionarySerializable<QHash<K, V>> {};

// ---- Types that are never native.

template <Storable E> struct Serializable<QSet<E>> {
    static constexpr bool isNativelySupportedType = false;
    using Bridge = SetBridge<QSet<E>>;
};

template <> struct Serializable<QUrl> {
    static constexpr bool isNativelySupportedType = false;
    using Bridge = URLBridge;
};

template <> struct Serializable<QUuid> {
    static constexpr bool isNativelySupportedType = false;
    using Bridge = UUIDBridge;
};

} // namespace Defaults

#include "Defaults/Bridges.h"
