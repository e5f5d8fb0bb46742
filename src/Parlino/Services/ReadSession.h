#pragma once

#include "Playback/SpeechSession.h"

#include <memory>

namespace Parlino {

// The speech session of the current read, as the read's coordination sees it.
class ReadSession {
public:
    using State = Playback::SpeechSession::State;

    virtual ~ReadSession() = default;

    virtual State state() const = 0;
    // Stops synthesis and playback for good; the state becomes cancelled.
    virtual void cancel() = 0;
};

// A real speech session behind the read-session interface.
class SpeechReadSession final : public ReadSession {
public:
    explicit SpeechReadSession(std::shared_ptr<Playback::SpeechSession> session)
        : m_session(std::move(session)) {}

    const std::shared_ptr<Playback::SpeechSession>& session() const { return m_session; }

    State state() const override { return m_session->state(); }
    void cancel() override { m_session->cancel(); }

private:
    std::shared_ptr<Playback::SpeechSession> m_session;
};

} // namespace Parlino
