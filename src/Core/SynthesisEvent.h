#pragma once

#include "Core/WordTiming.h"

#include <QByteArray>
#include <QList>

#include <optional>

namespace Core {

// One element of a provider's stream for one chunk.
class SynthesisEvent {
public:
    enum class Kind { audio, timings, done };

    // A piece of the chunk's compressed audio; pieces are appended in arrival order.
    static SynthesisEvent audio(QByteArray data) {
        SynthesisEvent e(Kind::audio);
        e.m_audio = std::move(data);
        return e;
    }
    // The chunk's word timings, relative to the chunk's text and audio; a later one replaces it.
    static SynthesisEvent timings(QList<WordTiming> words) {
        SynthesisEvent e(Kind::timings);
        e.m_timings = std::move(words);
        return e;
    }
    // The chunk's audio duration and the service's identifier of the request, when it gave one.
    static SynthesisEvent done(double duration, std::optional<QString> requestID) {
        SynthesisEvent e(Kind::done);
        e.m_duration = duration;
        e.m_requestID = std::move(requestID);
        return e;
    }

    Kind kind() const { return m_kind; }
    const QByteArray& audioData() const { return m_audio; }
    const QList<WordTiming>& wordTimings() const { return m_timings; }
    double duration() const { return m_duration; }
    const std::optional<QString>& requestID() const { return m_requestID; }

private:
    explicit SynthesisEvent(Kind kind) : m_kind(kind) {}

    Kind m_kind;
    QByteArray m_audio;
    QList<WordTiming> m_timings;
    double m_duration = 0;
    std::optional<QString> m_requestID;
};

} // namespace Core
