#pragma once

#include "Defaults/Key.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace Parlino {

// The voice of every read until the user picks another.
inline const QString defaultVoiceID = QStringLiteral("EXAVITQu4vr4xnSDxMaL");

// Every user choice of the application, as a typed key of one settings suite. Making the set
// registers every key's default, so a key that was never written reads as its default.
struct SettingsKeys {
    explicit SettingsKeys(std::shared_ptr<Base::UserDefaults> suite);

    // The keys of the standard suite, made on first use and kept for the life of the process.
    static const SettingsKeys& shared();

    template <class T> using Key = Defaults::Key<T>;

    // A captured text longer than this many UTF-16 code units waits for confirmation; reading
    // only the first part reads this many user-perceived characters.
    Key<qint64> confirmThreshold;
    Key<QString> voiceID;
    // Most recently chosen voices, newest first, without duplicates, at most 6.
    Key<QStringList> recentVoiceIDs;
    // Voices with which a read has started playing, newest first, without duplicates, at most 6.
    Key<QStringList> provenVoiceIDs;
    // The speed of the running read; every read starts at `defaultPlaybackRate`.
    Key<double> playbackRate;
    Key<double> defaultPlaybackRate;
    Key<bool> playbackDefaultSeeded;
    // Applications whose selection is never captured.
    Key<QStringList> denyListBundleIDs;
    Key<QString> panelFontDesign; // a PanelFontChoice raw value
    Key<qint64> panelFontSize;
    Key<bool> showInDock;
    Key<bool> hasSeenOnboarding;
    Key<bool> idleBarHidden;
    Key<QString> transcriptCase; // a TranscriptCaseChoice raw value
    Key<bool> shortcutsMigratedToV2;
    Key<bool> shortcutsMigratedToV3;
    Key<bool> rightCommandTapEnabled;
    Key<QString> tapModifier; // "rightCommand" or "rightOption"
    Key<bool> rightCommandDoubleTapReplayEnabled;
    Key<bool> saveRecordings;
    Key<QString> synthesisModel; // a SynthesisModelChoice raw value
    Key<bool> transparencyEnabled;
    // Whether the update check runs by itself once a day, and when a check last started.
    Key<bool> automaticallyChecksForUpdates;
    Key<std::optional<Base::Date>> lastUpdateCheckDate;
};

// Copies the stored playback speed into the default speed on the first launch that finds the
// seeding flag unset; later launches write nothing.
void seedDefaultPlaybackRate(const SettingsKeys& keys);

// The speed after `rate` in the cycle 0.5, 0.75, 1.0, 1.25, 1.5, 1.75, 2.0 (2.0 wraps to 0.5).
// A rate off the steps moves to the next step above it, or to 1.0 when there is none.
double nextPlaybackRate(double rate);

} // namespace Parlino
