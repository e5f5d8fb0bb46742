#include "Base/OneAtATime.h"

namespace Base {

void OneAtATime::run(const std::function<void()>& work) {
    if (m_running) {
        m_askedAgain = true;
        return;
    }
    m_running = true;
    do {
        m_askedAgain = false;
        work();
    } while (m_askedAgain);
    m_running = false;
}

} // namespace Base
