#pragma once

#include <functional>

namespace Base {

// Runs a piece of work so that it never starts inside itself: a run asked for while one is under
// way happens right after that one returns, as a single further run however often it was asked
// for. For work whose own side effects (a widget hidden, the focus moved) can call back into it.
class OneAtATime {
public:
    void run(const std::function<void()>& work);

    bool isRunning() const { return m_running; }

private:
    bool m_running = false;
    bool m_askedAgain = false;
};

} // namespace Base
