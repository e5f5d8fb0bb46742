#pragma once

#include "Base/StringEnum.h"

#include <QHashFunctions>
#include <QString>

#include <array>
#include <optional>

namespace Parlino {

// The sections of the settings surface, in the order of the sidebar's rows. `quit` is the
// two-press Quit command: its row never becomes the selection through the sidebar.
enum class SettingsPane { general, appearance, apiKey, playback, voice, usage, shortcuts, quit };

// The panes with their raw values and sidebar titles, in the sidebar's order.
inline constexpr auto settingsPaneTable = Base::stringEnum<SettingsPane>({
    {SettingsPane::general, u"general", u"General"},
    {SettingsPane::appearance, u"appearance", u"Appearance"},
    {SettingsPane::apiKey, u"apiKey", u"API Key"},
    {SettingsPane::playback, u"playback", u"Playback"},
    {SettingsPane::voice, u"voice", u"Voice"},
    {SettingsPane::usage, u"usage", u"Usage"},
    {SettingsPane::shortcuts, u"shortcuts", u"Shortcuts"},
    {SettingsPane::quit, u"quit", u"Quit"},
});
inline constexpr std::array allSettingsPanes = settingsPaneTable.values();

// The pane's identity in the sidebar: "general", "apiKey", …
inline QString rawValue(SettingsPane pane) {
    return settingsPaneTable.rawValue(pane);
}
// The pane whose raw value is exactly `raw` (same letter case, whole text), if any.
inline std::optional<SettingsPane> settingsPane(const QString& raw) {
    return settingsPaneTable.fromRawValue(raw);
}

// What the pane's sidebar row shows.
inline QString title(SettingsPane pane) {
    return settingsPaneTable.title(pane);
}
QString systemImage(SettingsPane pane);

inline size_t qHash(SettingsPane pane, size_t seed = 0) {
    return ::qHash(rawValue(pane), seed);
}

} // namespace Parlino
