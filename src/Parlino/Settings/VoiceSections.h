#pragma once

#include "TTS/Voice.h"

#include <QList>
#include <QString>

#include <optional>

namespace Parlino {

// One voice of the featured list of the compact voices section.
struct CuratedVoice {
    QString id;
    QString displayName;
    std::optional<QString> descriptor;
    std::optional<QString> previewResource; // a sample shipped with the application
    qsizetype order = 0;                    // position in the featured list, from 0

    friend bool operator==(const CuratedVoice&, const CuratedVoice&) = default;
};

// One group of the voices pane: the service's built-in voices or the account's own.
struct VoiceSection {
    enum class Kind { yours, builtIn };

    Kind kind;
    QList<TTS::Voice> voices; // sorted by name and filtered by the search

    // The header text, which is also the section's identity in lists.
    static QString rawValue(Kind kind);

    friend bool operator==(const VoiceSection&, const VoiceSection&) = default;
};

// A voice name of the form "Name - descriptor" split at its first separator (" - ", " – " or
// " — "); a name without one, or with nothing on one side of it, is its own display name.
struct VoiceNameParts {
    QString displayName;
    std::optional<QString> descriptor;

    friend bool operator==(const VoiceNameParts&, const VoiceNameParts&) = default;
};
VoiceNameParts splitVoiceName(const QString& name);

// What the voices browsers show of the fetched voice list: pure functions of their arguments.
// Searches ignore spaces and tabs around the search text and compare names case-insensitively
// in the user's locale.
namespace VoiceSections {

// One tile of the voices pane's top row; identified in lists by its voice's id.
struct TopRowTile {
    TTS::Voice voice;
    std::optional<QString> caption; // "Current", "Last used" or none

    friend bool operator==(const TopRowTile&, const TopRowTile&) = default;
};

// "Built-in" then "Your Voices", each sorted by name and filtered; empty sections left out.
QList<VoiceSection> sections(const QList<TTS::Voice>& voices, const QString& search);

// The current voice (a placeholder "Unknown voice" when it is not listed), then up to two
// recent voices other than it; tiles that fail the search are dropped.
QList<TopRowTile> topRow(const QList<TTS::Voice>& voices, const QString& currentID,
                         const QStringList& recentIDs, const QString& search);

// The featured list of at most `limit` voices: the curated built-in voices, other built-in
// voices by name, then the first own voice not on hold (or the fallback built-in voice).
QList<CuratedVoice> build(const QList<TTS::Voice>& voices, qsizetype limit);

} // namespace VoiceSections

} // namespace Parlino
