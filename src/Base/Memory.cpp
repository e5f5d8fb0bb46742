#include "Base/Memory.h"

#include <malloc.h>

namespace Base::Memory {

namespace {
// Blocks this large are mapped on their own; a word, a chunk record or a line never is.
constexpr int largeBlockBytes = 256 * 1024;
} // namespace

void returnLargeBlocksWhenFreed() {
    // A fixed threshold also stops the allocator from moving it.
    mallopt(M_MMAP_THRESHOLD, largeBlockBytes);
}

} // namespace Base::Memory
