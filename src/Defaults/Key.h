#pragma once

#include "Base/UserDefaults.h"
#include "Defaults/Serializable.h"

#include <QHashFunctions>

#include <functional>
#include <memory>

namespace Defaults {

// A settings key without its value type: a name in a defaults suite. Two keys are equal when
// their names are equal and they live in the same suite, whatever their value types.
class AnyKey {
public:
    AnyKey(QString name, std::shared_ptr<Base::UserDefaults> suite)
        : m_name(std::move(name)), m_suite(std::move(suite)) {}

    const QString& name() const { return m_name; }
    const std::shared_ptr<Base::UserDefaults>& suite() const { return m_suite; }

    // Removes the stored value: reads then give the default again.
    void reset() const { m_suite->remove(m_name); }

    friend bool operator==(const AnyKey&, const AnyKey&) = default;

private:
    QString m_name;
    std::shared_ptr<Base::UserDefaults> m_suite;
};

inline size_t qHash(const AnyKey& key, size_t seed = 0) {
    return qHashMulti(seed, key.name(), key.suite().get());
}

namespace iCloud::detail {
void addDeclaredKey(const AnyKey& key, bool holdsDefaultValue);
} // namespace iCloud::detail

template <class T> struct IsOptional : std::false_type {};
template <class T> struct IsOptional<std::optional<T>> : std::true_type {};

// A typed settings key with its default value. A key made from a fixed default registers it
// in the suite's registration domain (unless it is an empty optional or cannot be stored).
// A key declared with `iCloud` set is synchronised between the user's devices (Defaults/iCloud.h);
// the application declares none so.
template <Storable T> class Key : public AnyKey {
public:
    using Value = T;

    Key(QString name, T defaultValue,
        std::shared_ptr<Base::UserDefaults> suite = Base::UserDefaults::standard(),
        bool iCloud = false)
        : AnyKey(std::move(name), std::move(suite)),
          m_defaultValueGetter([value = defaultValue] { return value; }) {
        if (!isNil(defaultValue))
            if (auto stored = Defaults::serialize(defaultValue))
                this->suite()->registerDefaults({{this->name(), std::move(*stored)}});
        if (iCloud)
            addToICloud();
    }

    // An optional key without a default: it reads as empty until it is written.
    explicit Key(QString name,
                 std::shared_ptr<Base::UserDefaults> suite = Base::UserDefaults::standard(),
                 bool iCloud = false) requires IsOptional<T>::value
        : Key(std::move(name), T(), std::move(suite), iCloud) {}

    // A key whose default is computed on every read that finds nothing; nothing is registered.
    static Key computed(QString name, std::function<T()> defaultValueGetter,
                        std::shared_ptr<Base::UserDefaults> suite = Base::UserDefaults::standard(),
                        bool iCloud = false) {
        Key key(std::move(name), std::move(suite), std::move(defaultValueGetter));
        if (iCloud)
            key.addToICloud();
        return key;
    }

    T defaultValue() const { return m_defaultValueGetter(); }
    const std::function<T()>& defaultValueGetter() const { return m_defaultValueGetter; }

    // True when the key reads as its default, stored or not.
    bool isDefaultValue() const requires std::equality_comparable<T>;

private:
    Key(QString name, std::shared_ptr<Base::UserDefaults> suite, std::function<T()> getter)
        : AnyKey(std::move(name), std::move(suite)), m_defaultValueGetter(std::move(getter)) {}

    void addToICloud() const { iCloud::detail::addDeclaredKey(*this, holdsDefaultValue(*this)); }

    std::function<T()> m_defaultValueGetter;
};

// The key's value in `suite`: the stored value when it converts, else the key's default.
template <class T> T get(const Key<T>& key, const Base::UserDefaults& suite) {
    if (auto object = suite.objectForKey(key.name()))
        if (auto value = deserialize<T>(*object))
            return std::move(*value);
    return key.defaultValue();
}

// The key's value in its own suite.
template <class T> T get(const Key<T>& key) {
    return get(key, *key.suite());
}

// Stores a value; an empty optional removes the stored value instead. A value that cannot be
// stored leaves the stored value as it was.
template <class T>
void set(const Key<T>& key, const std::type_identity_t<T>& value, Base::UserDefaults& suite) {
    if (isNil(value)) {
        suite.remove(key.name());
        return;
    }
    if (auto object = serialize(value))
        suite.set(key.name(), std::move(*object));
}

template <class T> void set(const Key<T>& key, const std::type_identity_t<T>& value) {
    set(key, value, *key.suite());
}

// Reads the value, lets `change` modify it and writes the result back, also when `change`
// leaves by an exception part way.
template <class T, class F> void modify(const Key<T>& key, F&& change) {
    struct WriteBack {
        const Key<T>& key;
        T value;
        ~WriteBack() { set(key, value); }
    } writeBack{key, get(key)};
    std::forward<F>(change)(writeBack.value);
}

template <Storable T> bool Key<T>::isDefaultValue() const requires std::equality_comparable<T> {
    return get(*this) == defaultValue();
}

// True when the key reads as its default; always false for a type without equality.
template <class T> bool holdsDefaultValue(const Key<T>& key) {
    if constexpr (std::equality_comparable<T>)
        return key.isDefaultValue();
    else
        return false;
}

} // namespace Defaults
