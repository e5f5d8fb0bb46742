#pragma once

#include "Parlino/Settings/DesktopSettings.h"

#include <QStringList>

#include <functional>
#include <optional>

namespace Parlino {

// Opens the accessibility page of GNOME's or KDE's settings program, preferring the one of the
// running desktop; with neither installed it only logs.
class DesktopAccessibilitySettings final : public DesktopSettings {
public:
    struct Command {
        QString program;
        QStringList arguments;
        friend bool operator==(const Command&, const Command&) = default;
    };
    // The full path of an installed program, or empty.
    using FindProgram = std::function<QString(const QString& name)>;
    // Starts a program without waiting for it; false when it could not be started.
    using Launch = std::function<bool(const QString& program, const QStringList& arguments)>;

    // The desktop's names as XDG_CURRENT_DESKTOP lists them, colon-separated.
    DesktopAccessibilitySettings(QString currentDesktop, FindProgram find, Launch launch);
    // The running desktop's programs.
    DesktopAccessibilitySettings();

    // The command that opens the page, or none.
    std::optional<Command> command() const;

    void openAccessibilitySettings() override;

private:
    QString m_currentDesktop;
    FindProgram m_find;
    Launch m_launch;
};

} // namespace Parlino
