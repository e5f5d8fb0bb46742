#pragma once

#include "Capture/CaptureCoordinator.h"
#include "Parlino/Services/ReadSession.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Services/VoicesModel.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace Parlino {

// The voice and model a read was synthesised with.
struct Rendition {
    QString voiceID;
    std::optional<QString> modelID; // absent when the read recorded none

    // What a read started now would use: the chosen voice (the default voice when the loaded
    // voice list no longer has it) and the chosen model (flash when the setting names none).
    static Rendition forNextRead(const SettingsKeys& keys, const VoicesModel& voices);

    friend bool operator==(const Rendition&, const Rendition&) = default;
};

// How reads are built, as the coordinator drives them: capture the selection, start, stop,
// pause or resume a read, and look at the one being read. Main thread only.
class ReadPipeline {
public:
    using CaptureCompletion = std::function<void(Capture::CaptureResult)>;

    virtual ~ReadPipeline() = default;

    // The session of the current read, if any.
    virtual std::shared_ptr<ReadSession> session() const = 0;
    // The sanitised text of the current read, as last passed to startRead().
    virtual std::optional<QString> currentText() const = 0;
    virtual std::optional<Rendition> currentRendition() const = 0;
    virtual const VoicesModel& voicesModel() const = 0;

    // Reads the selected text. `completion` runs once on the main thread, possibly from inside
    // this call; without Accessibility permission it fails with permissionDenied.
    virtual void captureSelection(Capture::CaptureMode mode, CaptureCompletion completion) = 0;
    // Reads exactly `text` with the current voice and model, replacing the current read.
    virtual void startRead(const QString& text) = 0;
    // Disconnects and cancels the current session, forgets the read and refreshes Now Playing.
    virtual void stopSession() = 0;
    // Playing pauses, paused resumes, finished starts the text again; otherwise nothing.
    virtual void togglePause() = 0;
    // A stalled read tries again from where it failed, as its Retry does; otherwise nothing.
    virtual void retryStalled() = 0;
    // The session's callbacks and the panel's tick no longer reach the application.
    virtual void detachSession(const std::shared_ptr<ReadSession>& session) = 0;
    virtual void syncNowPlaying() = 0;
};

} // namespace Parlino
