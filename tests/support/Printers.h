#pragma once

#include "Core/WordTiming.h"

#include <QString>

#include <ostream>

// Readable failure messages for the types tests compare most.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace Core {
inline void PrintTo(const WordTiming& w, std::ostream* os) {
    *os << "{\"" << w.word.toStdString() << "\" [" << w.range.lower << "," << w.range.upper << ") "
        << w.start << "-" << w.end << "}";
}
} // namespace Core
