#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace Parlino {

// A program and its arguments.
struct SettingsCommand {
    QString program;
    QStringList arguments;

    bool operator==(const SettingsCommand&) const = default;
};

// The command that opens the desktop's accessibility settings: KDE's settings on a KDE desktop,
// else GNOME's, else whichever of the two `findProgram` (a name to its path, empty when absent)
// finds; none when neither is installed. `desktop` is the session's desktop list
// (XDG_CURRENT_DESKTOP, colon separated).
std::optional<SettingsCommand>
accessibilitySettingsCommand(const QString& desktop,
                             const std::function<QString(const QString&)>& findProgram);

// Opens the desktop's accessibility settings without waiting for them; with no known settings
// program it only logs. The outcome is not reported.
void openAccessibilitySettings();

} // namespace Parlino
