#include "Parlino/Settings/SettingsPane.h"

namespace Parlino {

namespace {

struct PaneInfo {
    const char16_t* raw;
    const char16_t* title;
    const char16_t* systemImage;
};

PaneInfo info(SettingsPane pane) {
    switch (pane) {
    case SettingsPane::general:
        return {u"general", u"General", u"gearshape.fill"};
    case SettingsPane::appearance:
        return {u"appearance", u"Appearance", u"paintbrush.fill"};
    case SettingsPane::apiKey:
        return {u"apiKey", u"API Key", u"key.fill"};
    case SettingsPane::playback:
        return {u"playback", u"Playback", u"play.circle.fill"};
    case SettingsPane::voice:
        return {u"voice", u"Voice", u"person.wave.2"};
    case SettingsPane::usage:
        return {u"usage", u"Usage", u"chart.bar.fill"};
    case SettingsPane::shortcuts:
        return {u"shortcuts", u"Shortcuts", u"keyboard.fill"};
    case SettingsPane::quit:
        return {u"quit", u"Quit", u"power"};
    }
    Q_UNREACHABLE();
}

} // namespace

QString rawValue(SettingsPane pane) {
    return QString::fromUtf16(info(pane).raw);
}

std::optional<SettingsPane> settingsPane(const QString& raw) {
    for (const SettingsPane pane : allSettingsPanes)
        if (raw == rawValue(pane))
            return pane;
    return std::nullopt;
}

QString title(SettingsPane pane) {
    return QString::fromUtf16(info(pane).title);
}

QString systemImage(SettingsPane pane) {
    return QString::fromUtf16(info(pane).systemImage);
}

} // namespace Parlino
