#pragma once

#include <QString>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>
#include <utility>

namespace Parlino {

// Runs `call`, which waits in a library with no bound of its own (connecting to the session bus,
// to an X server), on a thread of its own, and gives what it returns within `bound`. When it has
// not returned by then, prints the line `late` on standard error and ends the process at once with
// status 1: the call cannot be called off, and its thread can neither be stopped nor left behind.
template <typename Call>
auto returnWithinOrExit(std::chrono::milliseconds bound, const QString& late, Call call) {
    std::packaged_task<decltype(call())()> task(std::move(call));
    auto result = task.get_future();
    std::thread calling(std::move(task));
    if (result.wait_for(bound) == std::future_status::ready) {
        calling.join();
        return result.get();
    }
    std::fprintf(stderr, "%s\n", qPrintable(late));
    std::fflush(stderr);
    std::_Exit(1);
}

} // namespace Parlino
