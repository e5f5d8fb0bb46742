#pragma once

#include "Defaults/Key.h"

#include <QStringList>

// The settings store: typed keys over the user-defaults database.
//
//   const Defaults::Key<double> playbackRate{"playbackRate", 1.0};
//   Defaults::set(playbackRate, 1.5);
//   double rate = Defaults::get(playbackRate);
namespace Defaults {

// Removes the stored values of the named keys from `suite`, in order.
void reset(const QStringList& names, Base::UserDefaults& suite);

// Removes the stored values of the keys, each from its own suite, in order.
void reset(const QList<AnyKey>& keys);
template <class... K>
requires(std::derived_from<K, AnyKey>&&...) void reset(const K&... keys) {
    (keys.reset(), ...);
}

// Removes every stored value of the suite; registered defaults stay in effect.
void removeAll(Base::UserDefaults& suite = *Base::UserDefaults::standard());

// True for a name usable as a key path of key-value observation: ASCII, without ".", not
// beginning with "@". Keys do not require it.
bool isValidKeyPath(const QString& name);

} // namespace Defaults
