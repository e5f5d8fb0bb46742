#pragma once

#include "Parlino/Services/ReadPipeline.h"

#include <QStringList>

#include <deque>

// Fakes of the read pipeline and its session for the coordinator's tests.
namespace TestSupport {

// A session held in whatever state a test sets.
class FakeReadSession : public Parlino::ReadSession {
public:
    explicit FakeReadSession(State state = State::loading()) : currentState(std::move(state)) {}

    State state() const override { return currentState; }
    void cancel() override {
        ++cancels;
        currentState = State::cancelled();
    }

    State currentState;
    int cancels = 0;
};

// Records every operation in `calls` ("startRead:<text>", "stopSession", "togglePause",
// "retryStalled", "detach", "detach:none", "syncNowPlaying"). A capture answers at once with
// `nextCapture` when it is set, else it waits until the test calls finishCapture().
class FakeReadPipeline : public Parlino::ReadPipeline {
public:
    FakeReadPipeline(const Parlino::SettingsKeys& keys, const Parlino::VoicesModel& voices)
        : keys(keys), voices(voices) {}

    std::shared_ptr<Parlino::ReadSession> session() const override { return currentSession; }
    std::optional<QString> currentText() const override { return text; }
    std::optional<Parlino::Rendition> currentRendition() const override { return rendition; }
    const Parlino::VoicesModel& voicesModel() const override { return voices; }

    void captureSelection(Capture::CaptureMode mode, CaptureCompletion completion) override {
        captureModes.push_back(mode);
        if (nextCapture)
            completion(*nextCapture);
        else
            pendingCaptures.push_back(std::move(completion));
    }
    void startRead(const QString& readText) override {
        calls << QStringLiteral("startRead:") + readText;
        text = readText;
        rendition = Parlino::Rendition::forNextRead(keys, voices);
        currentSession = std::make_shared<FakeReadSession>();
    }
    void stopSession() override {
        calls << QStringLiteral("stopSession");
        currentSession.reset();
        text.reset();
        rendition.reset();
    }
    void togglePause() override { calls << QStringLiteral("togglePause"); }
    void retryStalled() override { calls << QStringLiteral("retryStalled"); }
    void detachSession(const std::shared_ptr<Parlino::ReadSession>& detached) override {
        calls << (detached ? QStringLiteral("detach") : QStringLiteral("detach:none"));
    }
    void syncNowPlaying() override { calls << QStringLiteral("syncNowPlaying"); }

    // Answers the oldest waiting capture.
    void finishCapture(Capture::CaptureResult result) {
        auto completion = std::move(pendingCaptures.front());
        pendingCaptures.pop_front();
        completion(std::move(result));
    }

    // A read of `readText` that is showing with its session in `state`.
    void showRead(const QString& readText, FakeReadSession::State state) {
        startRead(readText);
        currentSession->currentState = std::move(state);
        calls.clear();
    }

    const Parlino::SettingsKeys& keys;
    const Parlino::VoicesModel& voices;
    std::optional<Capture::CaptureResult> nextCapture;
    std::deque<CaptureCompletion> pendingCaptures;
    std::vector<Capture::CaptureMode> captureModes;
    QStringList calls;

    std::shared_ptr<FakeReadSession> currentSession;
    std::optional<QString> text;
    std::optional<Parlino::Rendition> rendition;
};

inline Capture::CaptureResult captured(const QString& text) {
    return Core::SelectionCapture{
        text, {QStringLiteral("Editor"), QStringLiteral("editor"), 42}, std::nullopt};
}

inline Capture::CaptureResult captureFailure(Core::CaptureError error) {
    return Base::failure(std::move(error));
}

} // namespace TestSupport
