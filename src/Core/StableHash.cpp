#include "Core/StableHash.h"

namespace Core {

quint64 stableHash(const QString& text) {
    quint64 hash = 0xcbf29ce484222325ULL;
    for (const char byte : text.toUtf8()) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

} // namespace Core
