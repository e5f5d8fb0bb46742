#include "support/FakeTTSProvider.h"

namespace TestSupport {

Core::SynthesisStream FakeTTSProvider::synthesize(const QString& text, const Core::VoiceID& voice,
                                                  const Core::SynthesisSettings& settings,
                                                  const QStringList& previousRequestIDs) {
    auto [stream, continuation] = Core::SynthesisStream::make();
    const qsizetype index = m_requests.size();
    m_requests.append({text, voice, settings, previousRequestIDs, continuation, false});
    continuation.onCancel([this, index] { m_requests[index].cancelled = true; });
    return std::move(stream);
}

void FakeTTSProvider::succeed(qsizetype index, const QByteArray& audio,
                              const QList<Core::WordTiming>& words, double duration,
                              std::optional<QString> requestID) {
    auto& c = m_requests[index].continuation;
    c.yield(Core::SynthesisEvent::audio(audio));
    c.yield(Core::SynthesisEvent::timings(words));
    c.yield(Core::SynthesisEvent::done(duration, std::move(requestID)));
    c.finish();
}

void FakeTTSProvider::fail(qsizetype index, const Core::TTSError& error) {
    m_requests[index].continuation.fail(error);
}

} // namespace TestSupport
