#pragma once

#include <QString>

namespace Core {

// The 64-bit FNV-1a hash of a string's UTF-8 bytes: the same on every launch and machine.
// Names cached files, seeds artwork and stands for identifiers in logs ("idHash").
quint64 stableHash(const QString& text);

} // namespace Core
