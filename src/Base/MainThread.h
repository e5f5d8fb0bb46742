#pragma once

#include <functional>

namespace Base::MainThread {

// Queues work to run on the Qt main thread's event loop, from any thread.
void post(std::function<void()> work);

// True on the thread that owns the application object.
bool isCurrent();

} // namespace Base::MainThread
