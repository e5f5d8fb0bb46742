#pragma once

#include "Core/TTSProvider.h"

#include <QList>

#include <optional>

namespace TestSupport {

// A provider whose answers the test scripts and completes when it chooses.
class FakeTTSProvider : public Core::TTSProvider {
public:
    struct Request {
        QString text;
        Core::VoiceID voice;
        Core::SynthesisSettings settings;
        QStringList previousRequestIDs;
        Core::SynthesisStream::Continuation continuation;
        bool cancelled = false;
    };

    Core::ProviderID id() const override { return Core::ProviderID::elevenLabs; }
    Core::ProviderCapabilities capabilities() const override {
        return {Core::TimingFidelity::word, 2000};
    }
    Core::SynthesisStream synthesize(const QString& text, const Core::VoiceID& voice,
                                     const Core::SynthesisSettings& settings,
                                     const QStringList& previousRequestIDs) override;

    QList<Request>& requests() { return m_requests; }
    // Answers request `index` as the real provider does: audio, timings, done, end.
    void succeed(qsizetype index, const QByteArray& audio, const QList<Core::WordTiming>& words,
                 double duration, std::optional<QString> requestID = std::nullopt);
    void fail(qsizetype index, const Core::TTSError& error);

private:
    QList<Request> m_requests;
};

inline Core::SynthesisStream FakeTTSProvider::synthesize(const QString& text,
                                                         const Core::VoiceID& voice,
                                                         const Core::SynthesisSettings& settings,
                                                         const QStringList& previousRequestIDs) {
    auto [stream, continuation] = Core::SynthesisStream::make();
    const qsizetype index = m_requests.size();
    m_requests.append({text, voice, settings, previousRequestIDs, continuation, false});
    continuation.onCancel([this, index] { m_requests[index].cancelled = true; });
    return std::move(stream);
}

inline void FakeTTSProvider::succeed(qsizetype index, const QByteArray& audio,
                                     const QList<Core::WordTiming>& words, double duration,
                                     std::optional<QString> requestID) {
    auto& c = m_requests[index].continuation;
    c.yield(Core::SynthesisEvent::audio(audio));
    c.yield(Core::SynthesisEvent::timings(words));
    c.yield(Core::SynthesisEvent::done(duration, std::move(requestID)));
    c.finish();
}

inline void FakeTTSProvider::fail(qsizetype index, const Core::TTSError& error) {
    m_requests[index].continuation.fail(error);
}

} // namespace TestSupport
