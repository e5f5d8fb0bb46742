#pragma once

#include <functional>

class QObject;

namespace Base::MainThread {

// Queues work to run on the event loop of `receiver`'s thread (the main thread), from any thread.
// The work is dropped when the receiver is destroyed before it runs. The receiver must be alive
// when this is called: the thread that calls it is joined before the receiver goes.
void post(QObject& receiver, std::function<void()> work);

// Queues work to run on the main thread with no receiver to outlive: the work guards the
// lifetime of what it touches itself.
void post(std::function<void()> work);

// True on the thread that owns the application object.
bool isCurrent();

} // namespace Base::MainThread
