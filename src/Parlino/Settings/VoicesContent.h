#pragma once

#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Services/VoiceSamplePlayer.h"
#include "Parlino/Services/VoicesModel.h"
#include "Parlino/Settings/VoiceAvailability.h"
#include "Parlino/Settings/VoiceSections.h"
#include "TTS/Voice.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <stop_token>

// What the voices browsers show, as plain values computed from the voices model, the sample
// player, the chosen and recent voices and the search text; the views only paint them. Also the
// browsers' actions: the press on a voice and the refreshes.
namespace Parlino {

// The user's voice choice as the settings hold it.
struct VoiceChoice {
    QString selectedVoiceID;
    QStringList recentVoiceIDs; // most recent first

    static VoiceChoice read(const SettingsKeys& keys);
};

// One voice tile of the voices pane.
struct VoiceTileContent {
    TTS::Voice voice;
    bool isSelected = false;
    // The voice chosen for reads is missing from the loaded list and this tile stands for it.
    bool isUnavailable = false;
    bool isOnHold = false;
    bool isLoading = false;
    bool isPlaying = false;

    // The name before its descriptor.
    QString displayName() const;
    VoiceAvailability availability() const;
    // "unavailable" or "on hold" under the name, when either applies.
    std::optional<QString> status() const;
    QString accessibleName() const;

    friend bool operator==(const VoiceTileContent&, const VoiceTileContent&) = default;
};

// A tile of the top row with the caption above it: "Current", "Last used" or none (the line
// then keeps its height but shows nothing).
struct VoiceTopRowEntry {
    VoiceTileContent tile;
    std::optional<QString> caption;

    friend bool operator==(const VoiceTopRowEntry&, const VoiceTopRowEntry&) = default;
};

struct VoiceSectionContent {
    VoiceSection::Kind kind;
    QList<VoiceTileContent> tiles;

    QString header() const { return VoiceSection::rawValue(kind); }

    friend bool operator==(const VoiceSectionContent&, const VoiceSectionContent&) = default;
};

// Why the voices could not be listed, in the pane's words, and what the pane offers.
struct VoicePaneFailure {
    enum class Control { none, goToAPIKey, retry };

    QString message;
    bool isAlarming = false; // drawn in red rather than the secondary colour
    Control control = Control::none;

    static VoicePaneFailure of(VoicesModel::FailureKind kind);

    friend bool operator==(const VoicePaneFailure&, const VoicePaneFailure&) = default;
};

// Everything the full voices pane shows.
struct VoicePaneContent {
    enum class Kind { loading, failed, browser };

    Kind kind = Kind::loading;
    std::optional<VoicePaneFailure> failure; // when failed
    // The browser's parts, empty unless the list is loaded.
    QList<VoiceTopRowEntry> topRow;
    QList<VoiceSectionContent> sections;
    bool showsOnHoldBanner = false;

    // "No voices match": the list is loaded but nothing survives the search.
    bool showsNoMatch() const {
        return kind == Kind::browser && topRow.isEmpty() && sections.isEmpty();
    }
    qsizetype tileCount() const;
    // The same tiles in the same places, whatever their states.
    bool hasSameShape(const VoicePaneContent& other) const;

    static VoicePaneContent make(const VoicesModel::FetchState& fetch,
                                 const VoiceSamplePlayer::State& sample, const VoiceChoice& choice,
                                 const QString& search);

    friend bool operator==(const VoicePaneContent&, const VoicePaneContent&) = default;
};

// One cell of the panel's featured voices.
struct VoiceCellContent {
    CuratedVoice voice;
    bool isSelected = false;
    VoiceAvailability availability = VoiceAvailability::available;
    bool isLoading = false;
    bool isPlaying = false;

    QString accessibleName() const;

    friend bool operator==(const VoiceCellContent&, const VoiceCellContent&) = default;
};

// Everything the panel's compact voices section shows: a spinner, a one-line message or the
// grid of featured voices (empty before the first fetch).
struct VoicesSectionContent {
    static constexpr qsizetype featuredLimit = 6;

    enum class Kind { loading, message, grid };

    Kind kind = Kind::grid;
    QString message;
    QList<VoiceCellContent> cells;

    static QString failureMessage(VoicesModel::FailureKind kind);
    static VoicesSectionContent make(const VoicesModel::FetchState& fetch,
                                     const VoiceSamplePlayer::State& sample,
                                     const QString& selectedVoiceID);

    friend bool operator==(const VoicesSectionContent&, const VoicesSectionContent&) = default;
};

namespace VoiceActions {

// A press on a voice of the pane: it becomes the voice of reads and the most recent voice, and
// its sample (when it has a preview address) starts, or stops when it is playing.
void press(const TTS::Voice& voice, VoiceSamplePlayer& samples, const SettingsKeys& keys);

// A press on a featured voice: as above, with the sample from the shipped resource or else the
// preview address of the loaded voice with that id.
void press(const CuratedVoice& voice, const VoicesModel::FetchState& fetch,
           VoiceSamplePlayer& samples, const SettingsKeys& keys);

// When a browser comes on screen: fetches unless the list is loaded or loading. Stopping
// `cancel` (the browser went away) puts the model back as it was.
void refreshOnShow(VoicesModel& model, std::stop_token cancel);

// "Retry" and "Refresh": fetches again unless a fetch runs.
void refreshUnlessLoading(VoicesModel& model);

} // namespace VoiceActions

} // namespace Parlino
