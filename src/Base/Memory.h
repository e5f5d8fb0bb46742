#pragma once

namespace Base::Memory {

// Makes the allocator give large blocks (a synthesis answer, a manifest's text) back to the
// system as soon as they are freed. By default it raises its threshold for that to the largest
// block freed so far, and blocks below it then stay in the process, one pool per thread, long
// after a read that needed them: a program that runs all day would keep its busiest minute's
// size. Call once at start, before other threads run.
void returnLargeBlocksWhenFreed();

} // namespace Base::Memory
