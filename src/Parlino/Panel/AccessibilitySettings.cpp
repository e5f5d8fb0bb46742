#include "Parlino/Panel/AccessibilitySettings.h"

#include "Base/Log.h"

#include <QProcess>
#include <QStandardPaths>

#include <array>

namespace Parlino {

namespace {

const Base::Log log(QStringLiteral("focus-diag"));

struct KnownProgram {
    const char* desktop;
    const char* program;
    const char* argument;
};

// In order of preference when the desktop names neither.
constexpr std::array known{
    KnownProgram{"GNOME", "gnome-control-center", "universal-access"},
    KnownProgram{"KDE", "systemsettings", "kcm_access"},
};

} // namespace

std::optional<SettingsCommand>
accessibilitySettingsCommand(const QString& desktop,
                             const std::function<QString(const QString&)>& findProgram) {
    const QStringList desktops = desktop.toUpper().split(QLatin1Char(':'), Qt::SkipEmptyParts);
    std::optional<SettingsCommand> fallback;
    for (const KnownProgram& entry : known) {
        const QString path = findProgram(QLatin1String(entry.program));
        if (path.isEmpty())
            continue;
        SettingsCommand command{path, {QLatin1String(entry.argument)}};
        if (desktops.contains(QLatin1String(entry.desktop)))
            return command;
        if (!fallback)
            fallback = std::move(command);
    }
    return fallback;
}

void openAccessibilitySettings() {
    const auto command = accessibilitySettingsCommand(
        qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
        [](const QString& name) { return QStandardPaths::findExecutable(name); });
    if (!command) {
        log.notice("no accessibility settings program found; open the desktop's accessibility "
                   "settings by hand");
        return;
    }
    if (!QProcess::startDetached(command->program, command->arguments))
        log.error("could not start %s", command->program);
}

} // namespace Parlino
