#pragma once

#include "Core/CaptureError.h"
#include "Core/TTSError.h"
#include "Core/TimedWords.h"
#include "Parlino/Services/GlowModel.h"
#include "Parlino/Services/ProgressModel.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace Parlino {

// Which page the panel shows.
enum class PanelContentMode { reading, settings, clips, voices };

// The observable state of the current read that every panel view shows, and the callbacks
// through which the views report the user's actions. The coordinator and the composition root
// write it; the model never calls its own action callbacks. Main thread only.
//
// Views listen to the signals: each setter emits its signal only when the value changes, to any
// number of views. The callbacks have one owner each, the composition root: `onPhaseChange`
// drives the panel controller, `onPinChange` becomes the surface machine's pin and unpin of an
// explicit toggle, and `onContentModeChange` is told of page changes; each is told of every
// change after it is stored. The action callbacks (`onPlayPause` ... `onSeek`) are the
// views' way to the coordinator's operations, assigned once at launch.
class PlayerViewModel : public QObject {
    Q_OBJECT

public:
    // How long a failure card stays.
    enum class Dwell { autoDismiss, persist };
    // The answer of the long-text card.
    enum class LengthChoice { readAnyway, readFirstChunk, cancel };

    class Phase {
    public:
        enum class Kind {
            confirmingLength,
            stalled,
            failed,
            hidden,
            listening,
            loading,
            playing,
            paused,
            recapturing,
            finished,
        };

        // A long text waits for confirmation; `chars` is its length in UTF-16 code units.
        static Phase confirmingLength(qint64 chars) {
            Phase phase(Kind::confirmingLength);
            phase.m_chars = chars;
            return phase;
        }
        // `causeGone`: what stalled the read holds no more (the key can be read again), so that
        // Retry may well work now.
        static Phase stalled(Core::TTSError error, bool causeGone = false) {
            Phase phase(Kind::stalled);
            phase.m_ttsError = std::move(error);
            phase.m_causeGone = causeGone;
            return phase;
        }
        static Phase failed(Core::CaptureError error, Dwell dwell) {
            Phase phase(Kind::failed);
            phase.m_captureError = std::move(error);
            phase.m_dwell = dwell;
            return phase;
        }
        static Phase hidden() { return Phase(Kind::hidden); }
        static Phase listening() { return Phase(Kind::listening); }
        static Phase loading() { return Phase(Kind::loading); }
        static Phase playing() { return Phase(Kind::playing); }
        static Phase paused() { return Phase(Kind::paused); }
        static Phase recapturing() { return Phase(Kind::recapturing); }
        static Phase finished() { return Phase(Kind::finished); }

        Kind kind() const { return m_kind; }
        qint64 chars() const { return m_chars; }
        const std::optional<Core::TTSError>& ttsError() const { return m_ttsError; }
        bool causeGone() const { return m_causeGone; }
        const std::optional<Core::CaptureError>& captureError() const { return m_captureError; }
        Dwell dwell() const { return m_dwell; }

        friend bool operator==(const Phase&, const Phase&) = default;

    private:
        explicit Phase(Kind kind) : m_kind(kind) {}

        Kind m_kind;
        qint64 m_chars = 0;
        std::optional<Core::TTSError> m_ttsError;
        bool m_causeGone = false;
        std::optional<Core::CaptureError> m_captureError;
        Dwell m_dwell = Dwell::autoDismiss;
    };

    explicit PlayerViewModel(QObject* parent = nullptr);

    const Phase& phase() const { return m_phase; }
    void setPhase(Phase phase);

    const QString& text() const { return m_text; }
    // Every assignment counts: `textEpoch` goes up by one even when the text is the same.
    void setText(const QString& text);
    qint64 textEpoch() const { return m_textEpoch; }

    std::optional<qsizetype> currentWordIndex() const { return m_currentWordIndex; }
    void setCurrentWordIndex(std::optional<qsizetype> index);

    // The list stays the same object for the model's life, so that views may keep a reference.
    const Core::TimedWords& timingWords() const { return m_timingWords; }
    void setTimingWords(const Core::TimedWords& words);

    GlowModel& glow() { return m_glow; }
    ProgressModel& progress() { return m_progress; }

    PanelContentMode contentMode() const { return m_contentMode; }
    void setContentMode(PanelContentMode mode);
    // The header's page buttons: each opens its page, or goes back to reading from it.
    void toggleSettings() { togglePage(PanelContentMode::settings); }
    void toggleVoices() { togglePage(PanelContentMode::voices); }
    void toggleClips() { togglePage(PanelContentMode::clips); }

    bool isPinned() const { return m_isPinned; }
    void setPinned(bool pinned);

    // Why the read could not be kept on disk, shown beside it while it plays on; nothing when it
    // was, or is still being, kept.
    const std::optional<QString>& saveFailure() const { return m_saveFailure; }
    void setSaveFailure(const std::optional<QString>& message);

    // Prepares for a new capture: listening, no text or word, the reading page, unpinned. The
    // words of the last read stay.
    void beginListening();
    // Clears the read and hides the surfaces; reports `hidden` exactly once per call, also when
    // the phase already was hidden.
    void hide();

    std::function<void(const Phase&)> onPhaseChange;
    std::function<void(PanelContentMode)> onContentModeChange;
    std::function<void(bool)> onPinChange;

    // The views' actions, assigned once at launch.
    std::function<void()> onPlayPause;
    std::function<void()> onRateTap;
    std::function<void()> onClose;
    std::function<void()> onRetry;
    std::function<void()> onRevert;
    std::function<void()> onReplay;
    std::function<void(LengthChoice)> onConfirmLength;
    std::function<void(qsizetype wordIndex)> onWordTap;
    // A place in the read, in seconds from its start.
    std::function<void(double seconds)> onSeek;

signals:
    void phaseChanged();
    void textChanged();
    void textEpochChanged();
    void currentWordIndexChanged();
    void timingWordsChanged();
    void contentModeChanged();
    void isPinnedChanged();
    void saveFailureChanged();

private:
    void togglePage(PanelContentMode page);

    Phase m_phase = Phase::hidden();
    QString m_text;
    qint64 m_textEpoch = 0;
    std::optional<qsizetype> m_currentWordIndex;
    Core::TimedWords m_timingWords;
    GlowModel m_glow;
    ProgressModel m_progress;
    PanelContentMode m_contentMode = PanelContentMode::reading;
    bool m_isPinned = false;
    std::optional<QString> m_saveFailure;
};

} // namespace Parlino
