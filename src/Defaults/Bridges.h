#pragma once

#include "Defaults/Serializable.h"

// The conversions of values that are not stored as themselves. Each bridge is stateless; an
// element that does not convert is dropped from its array or dictionary, while a missing
// bound or a whole object of the wrong form gives nothing.
namespace Defaults {

namespace detail {

// An element's own bridge, used by the bridges of collections whatever the element's kind:
// so an integer inside a dictionary keyed by integers is stored as its JSON text.
template <class T> std::optional<PropertyValue> bridgeSerialize(const T& value) {
    return Serializable<T>::Bridge::serialize(value);
}
template <class T> std::optional<T> bridgeDeserialize(const PropertyValue& object) {
    return Serializable<T>::Bridge::deserialize(object);
}

template <class K> QString keyText(const K& key) {
    if constexpr (std::same_as<K, QString>)
        return key;
    else
        return QString::number(key);
}

// Only the exact text that keyText writes reads back ("05" and "+5" do not).
template <class K> std::optional<K> keyFromText(const QString& text) {
    if constexpr (std::same_as<K, QString>) {
        return text;
    } else {
        bool ok = false;
        const auto number = [&] {
            if constexpr (std::is_signed_v<K>)
                return text.toLongLong(&ok);
            else
                return text.toULongLong(&ok);
        }();
        if (!ok || !std::in_range<K>(number) || keyText(K(number)) != text)
            return std::nullopt;
        return K(number);
    }
}

} // namespace detail

// JSON text, with sorted keys, of a type's JSON form.
template <class T> struct TopLevelCodableBridge {
    static std::optional<PropertyValue> serialize(const T& value) {
        auto text = encodeJson(value);
        return text ? std::optional<PropertyValue>(*text) : std::nullopt;
    }
    static std::optional<T> deserialize(const PropertyValue& object) {
        const auto* text = object.as<QString>();
        return text ? decodeJson<T>(*text) : std::nullopt;
    }
};

// The raw value, stored through its own rules.
template <class T> struct RawRepresentableBridge {
    using Raw = RawRepresentation<T>;
    static std::optional<PropertyValue> serialize(const T& value) {
        return Defaults::serialize(Raw::rawValue(value));
    }
    static std::optional<T> deserialize(const PropertyValue& object) {
        auto raw = Defaults::deserialize<typename Raw::RawValue>(object);
        return raw ? Raw::fromRawValue(*raw) : std::nullopt;
    }
};

// The wrapped value through the wrapped type's bridge. An empty optional is never written:
// writing it removes the stored object.
template <class W> struct OptionalBridge {
    static std::optional<PropertyValue> serialize(const std::optional<W>& value) {
        return value ? detail::bridgeSerialize(*value) : std::nullopt;
    }
    static std::optional<std::optional<W>> deserialize(const PropertyValue& object) {
        if (auto value = detail::bridgeDeserialize<W>(object))
            return std::optional<W>(std::move(*value));
        return std::nullopt;
    }
};

// An array of the elements in order, each through the element's bridge.
template <class C> struct ArrayBridge {
    using Element = typename C::value_type;
    static std::optional<PropertyValue> serialize(const C& values) {
        PropertyValue::Array array;
        for (const auto& value : values)
            if (auto stored = detail::bridgeSerialize(value))
                array.append(std::move(*stored));
        return PropertyValue(std::move(array));
    }
    static std::optional<C> deserialize(const PropertyValue& object) {
        const auto* array = object.as<PropertyValue::Array>();
        if (!array)
            return std::nullopt;
        C values;
        for (const auto& element : *array)
            if (auto value = detail::bridgeDeserialize<Element>(element))
                values.push_back(std::move(*value));
        return values;
    }
};

// A dictionary keyed by the keys' text, values through the value type's bridge. A stored key
// that does not read back as a key is skipped.
template <class M> struct DictionaryBridge {
    using Key = typename M::key_type;
    using Value = typename M::mapped_type;
    static std::optional<PropertyValue> serialize(const M& values) {
        PropertyValue::Dictionary dictionary;
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            if (auto stored = detail::bridgeSerialize(it.value()))
                dictionary.insert(detail::keyText(it.key()), std::move(*stored));
        return PropertyValue(std::move(dictionary));
    }
    static std::optional<M> deserialize(const PropertyValue& object) {
        const auto* dictionary = object.as<PropertyValue::Dictionary>();
        if (!dictionary)
            return std::nullopt;
        M values;
        for (auto it = dictionary->cbegin(); it != dictionary->cend(); ++it) {
            auto key = detail::keyFromText<Key>(it.key());
            auto value = detail::bridgeDeserialize<Value>(it.value());
            if (key && value)
                values.insert(std::move(*key), std::move(*value));
        }
        return values;
    }
};

// An array of the elements in the set's order; duplicates collapse on reading.
template <class S> struct SetBridge {
    using Element = typename S::value_type;
    static std::optional<PropertyValue> serialize(const S& values) {
        PropertyValue::Array array;
        for (const auto& value : values)
            if (auto stored = Defaults::serialize(value))
                array.append(std::move(*stored));
        return PropertyValue(std::move(array));
    }
    static std::optional<S> deserialize(const PropertyValue& object) {
        const auto* array = object.as<PropertyValue::Array>();
        if (!array)
            return std::nullopt;
        S values;
        for (const auto& element : *array)
            if (auto value = Defaults::deserialize<Element>(element))
                values.insert(std::move(*value));
        return values;
    }
};

// [lower bound, upper bound]; the bounds' order is not checked.
template <class R> struct RangeBridge {
    using Bound = typename R::Bound;
    static std::optional<PropertyValue> serialize(const R& range) {
        auto lower = Defaults::serialize(Bound(range.lowerBound));
        auto upper = Defaults::serialize(Bound(range.upperBound));
        if (!lower || !upper)
            return std::nullopt;
        return PropertyValue(PropertyValue::Array{std::move(*lower), std::move(*upper)});
    }
    static std::optional<R> deserialize(const PropertyValue& object) {
        const auto* array = object.as<PropertyValue::Array>();
        if (!array || array->size() < 2)
            return std::nullopt;
        auto lower = Defaults::deserialize<Bound>(array->at(0));
        auto upper = Defaults::deserialize<Bound>(array->at(1));
        if (!lower || !upper)
            return std::nullopt;
        return R{std::move(*lower), std::move(*upper)};
    }
};

// The URL's fully encoded text as a JSON string.
struct URLBridge {
    static std::optional<PropertyValue> serialize(const QUrl& url);
    static std::optional<QUrl> deserialize(const PropertyValue& object);
};

// The upper-case 8-4-4-4-12 form, without braces.
struct UUIDBridge {
    static std::optional<PropertyValue> serialize(const QUuid& uuid);
    static std::optional<QUuid> deserialize(const PropertyValue& object);
};

} // namespace Defaults
