#include "Base/LazyBytes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(LazyBytes, CopiesShareOneLoadEvenAcrossThreads) {
    std::atomic<int> loads = 0;
    const auto lazy = Base::LazyBytes::onFirstUse([&] {
        ++loads;
        return QByteArray("read once");
    });
    const Base::LazyBytes copy = lazy;
    EXPECT_EQ(loads, 0);

    std::vector<std::thread> readers;
    std::atomic<int> matches = 0;
    for (int i = 0; i < 8; ++i)
        readers.emplace_back([&, i] {
            const Base::LazyBytes& which = i % 2 ? lazy : copy;
            matches += which.bytes() == "read once";
        });
    for (auto& reader : readers)
        reader.join();
    EXPECT_EQ(matches, 8);
    EXPECT_EQ(loads, 1);
}

} // namespace
