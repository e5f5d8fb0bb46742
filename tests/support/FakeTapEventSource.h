#pragma once

#include "Parlino/Triggers/TapEventSource.h"

namespace TestSupport {

// A tap event source that delivers what the test sends while it is started.
class FakeTapEventSource : public Parlino::TapEventSource {
public:
    bool refusesToStart = false;

    bool start(Handler handler) override {
        if (refusesToStart)
            return false;
        m_handler = std::move(handler);
        return true;
    }
    void stop() override { m_handler = nullptr; }
    bool isStarted() const { return bool(m_handler); }

    void send(const Parlino::TapSourceEvent& event) {
        if (m_handler)
            m_handler(event);
    }

private:
    Handler m_handler;
};

} // namespace TestSupport
