#pragma once

#include <QHashFunctions>
#include <QString>

#include <array>
#include <optional>

namespace Parlino {

// The sections of the settings surface, in the order of the sidebar's rows. `quit` is the
// two-press Quit command: its row never becomes the selection through the sidebar.
enum class SettingsPane { general, appearance, apiKey, playback, voice, usage, shortcuts, quit };

inline constexpr std::array allSettingsPanes{SettingsPane::general,   SettingsPane::appearance,
                                             SettingsPane::apiKey,    SettingsPane::playback,
                                             SettingsPane::voice,     SettingsPane::usage,
                                             SettingsPane::shortcuts, SettingsPane::quit};

// The pane's identity in the sidebar: "general", "apiKey", …
QString rawValue(SettingsPane pane);
// The pane whose raw value is exactly `raw` (same letter case, whole text), if any.
std::optional<SettingsPane> settingsPane(const QString& raw);

// What the pane's sidebar row shows.
QString title(SettingsPane pane);
QString systemImage(SettingsPane pane);

inline size_t qHash(SettingsPane pane, size_t seed = 0) {
    return ::qHash(rawValue(pane), seed);
}

} // namespace Parlino
