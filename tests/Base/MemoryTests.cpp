#include "Base/Memory.h"

#include <malloc.h>

#include <cstdlib>

#include <gtest/gtest.h>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool underAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool underAddressSanitizer = true;
#else
constexpr bool underAddressSanitizer = false;
#endif
#else
constexpr bool underAddressSanitizer = false;
#endif

std::size_t mappedBytes() {
    return mallinfo2().hblkhd;
}

// An allocation the compiler cannot leave out.
void* allocate(std::size_t bytes) {
    void* block = std::malloc(bytes);
    static_cast<volatile char*>(block)[bytes - 1] = 1;
    return block;
}

} // namespace

// By default, freeing a 16 MiB block would keep blocks up to that size in the process after use.
TEST(Memory, ALargeBlockGoesBackWhenFreedAfterALargerOneWas) {
    if (underAddressSanitizer)
        GTEST_SKIP() << "the sanitizer allocates, not the C library";
    Base::Memory::returnLargeBlocksWhenFreed();
    std::free(allocate(16u << 20));

    const std::size_t before = mappedBytes();
    void* block = allocate(1u << 20);
    EXPECT_GE(mappedBytes() - before, 1u << 20) << "mapped on its own";
    std::free(block);
    EXPECT_EQ(mappedBytes(), before) << "and given back";
}
