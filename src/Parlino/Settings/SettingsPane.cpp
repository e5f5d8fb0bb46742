#include "Parlino/Settings/SettingsPane.h"

namespace Parlino {

QString systemImage(SettingsPane pane) {
    switch (pane) {
    case SettingsPane::general:
        return QStringLiteral("gearshape.fill");
    case SettingsPane::appearance:
        return QStringLiteral("paintbrush.fill");
    case SettingsPane::apiKey:
        return QStringLiteral("key.fill");
    case SettingsPane::playback:
        return QStringLiteral("play.circle.fill");
    case SettingsPane::voice:
        return QStringLiteral("person.wave.2");
    case SettingsPane::usage:
        return QStringLiteral("chart.bar.fill");
    case SettingsPane::shortcuts:
        return QStringLiteral("keyboard.fill");
    case SettingsPane::quit:
        return QStringLiteral("power");
    }
    Q_UNREACHABLE();
}

} // namespace Parlino
