#pragma once

#include "Base/LazyBytes.h"

namespace Parlino {

// One chunk of a finished read as the stores keep it: its compressed audio exactly as
// synthesised (read from its file each time it is used) and its duration in seconds.
struct AudioChunk {
    Base::LazyBytes audio;
    double duration = 0;
    friend bool operator==(const AudioChunk&, const AudioChunk&) = default;
};

} // namespace Parlino
