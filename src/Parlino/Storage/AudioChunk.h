#pragma once

#include <QByteArray>

namespace Parlino {

// One chunk of a finished read as the stores keep it: its compressed audio exactly as
// synthesised and its duration in seconds.
struct AudioChunk {
    QByteArray audio;
    double duration = 0;
    friend bool operator==(const AudioChunk&, const AudioChunk&) = default;
};

} // namespace Parlino
