#pragma once

#include <QtGlobal>

namespace Parlino {

// Stores `value` in `field` and tells whether it changed; the geometry boxes' setters emit their
// signal only then. Numbers compare exactly: any new value counts as a change.
template <class T> bool storeChanged(T& field, const T& value) {
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace Parlino
