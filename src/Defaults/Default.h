#pragma once

#include "Defaults/Publisher.h"
#include "Defaults/Updates.h"

#include <QObject>

// How a view binds a setting: it holds a Default of the key, reads and writes it like a
// property, and redraws on `changed()`, which follows every change of the stored value,
// whoever made it (this view, another one, other code or another thread):
//
//   auto* rate = new Defaults::Default<double>(Settings::playbackRate, this);
//   connect(rate, &Defaults::Observable::changed, this, [=] { show(rate->value()); });
//   rate->setValue(1.5);
//
// A checkable button bound to a Boolean key is Defaults::Toggle::bind (Defaults/Widgets/Toggle.h,
// target DefaultsWidgets).
namespace Defaults {

// The untyped half of Default: watches one key and announces its changes. Use it on the main
// thread.
class Observable : public QObject {
    Q_OBJECT

signals:
    // Emitted on the main thread, on a later turn of its event loop, after each write or
    // removal of the key's stored value (equal values included).
    void changed();

protected:
    Observable(const AnyKey& key, QObject* parent);
    // Stops watching the previous key and watches this one.
    void observe(const AnyKey& key);

private:
    UpdateStream<std::monostate> m_updates;
};

// One settings key bound for a view. Nothing is cached: every read goes to the store.
template <Storable T> class Default final : public Observable {
public:
    explicit Default(Key<T> key, QObject* parent = nullptr)
        : Observable(key, parent), m_key(std::move(key)) {}

    const Key<T>& key() const { return m_key; }
    // Binds another key; the observation restarts only when its name or suite differ.
    void setKey(Key<T> key) {
        const bool differs = static_cast<const AnyKey&>(key) != m_key;
        m_key = std::move(key);
        if (differs)
            observe(m_key);
    }

    // The stored value, or the key's default.
    T value() const { return Defaults::get(m_key); }
    // Writes the value; an empty optional removes the stored value.
    void setValue(const std::type_identity_t<T>& value) { Defaults::set(m_key, value); }
    // Reads the value, lets `change` modify it and writes it back once, also when `change`
    // leaves part way.
    template <class F> void modify(F&& change) { Defaults::modify(m_key, std::forward<F>(change)); }

    T defaultValue() const { return m_key.defaultValue(); }
    bool isDefaultValue() const requires std::equality_comparable<T> {
        return m_key.isDefaultValue();
    }
    // The key's changes, the first one carrying the current value.
    Publisher<KeyChange<T>> publisher() const {
        return Defaults::publisher(m_key, ObservationOption::initial);
    }
    // Removes the stored value, so that the key reads as its default again.
    void reset() { m_key.reset(); }

private:
    Key<T> m_key;
};

} // namespace Defaults
