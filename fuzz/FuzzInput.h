#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// The bytes libFuzzer hands a target, without a copy, and a check that stops the run with a
// crash report when a property of the reader does not hold.
namespace Fuzz {

inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
}

inline void require(bool holds) {
    if (!holds)
        std::abort();
}

} // namespace Fuzz
