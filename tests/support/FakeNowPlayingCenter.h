#pragma once

#include "Parlino/Services/NowPlayingCenter.h"

#include <QList>

namespace TestSupport {

// Records what is published; a test sends commands as the desktop would.
class FakeNowPlayingCenter : public Parlino::NowPlayingCenter {
public:
    void setCommandHandler(std::function<void(Parlino::RemoteCommand)> handler) override {
        m_handler = std::move(handler);
    }
    void setPositionHandler(std::function<void(double)> handler) override {
        m_positionHandler = std::move(handler);
    }
    void publish(const std::optional<Parlino::NowPlayingInfo>& info) override {
        published.append(info);
    }

    void send(Parlino::RemoteCommand command) {
        if (m_handler)
            m_handler(command);
    }

    void sendPosition(double seconds) {
        if (m_positionHandler)
            m_positionHandler(seconds);
    }

    QList<std::optional<Parlino::NowPlayingInfo>> published;

private:
    std::function<void(Parlino::RemoteCommand)> m_handler;
    std::function<void(double)> m_positionHandler;
};

} // namespace TestSupport
