#pragma once

#include "Parlino/Panel/PointerMotionSource.h"

namespace TestSupport {

// A pointer-motion source that reports the motions the test makes while it is started.
class FakePointerMotionSource final : public Parlino::PointerMotionSource {
public:
    bool start(std::function<void()> onMotion) override {
        m_handler = std::move(onMotion);
        ++starts;
        return true;
    }
    void stop() override { m_handler = nullptr; }

    bool isRunning() const { return bool(m_handler); }
    void moved() const {
        if (m_handler)
            m_handler();
    }

    int starts = 0;

private:
    std::function<void()> m_handler;
};

} // namespace TestSupport
