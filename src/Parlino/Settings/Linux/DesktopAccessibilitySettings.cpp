#include "Parlino/Settings/Linux/DesktopAccessibilitySettings.h"

#include "Base/Environment.h"
#include "Base/Log.h"

#include <QStandardPaths>

namespace Parlino {

namespace {

const Base::Log logger(QStringLiteral("settings"));

struct KnownProgram {
    QString desktop; // as XDG_CURRENT_DESKTOP names it
    QString name;
    QStringList arguments;
};

const QList<KnownProgram>& knownPrograms() {
    static const QList<KnownProgram> programs{
        {QStringLiteral("GNOME"),
         QStringLiteral("gnome-control-center"),
         {QStringLiteral("universal-access")}},
        {QStringLiteral("KDE"), QStringLiteral("systemsettings"), {QStringLiteral("kcm_access")}},
        {QStringLiteral("KDE"), QStringLiteral("systemsettings5"), {QStringLiteral("kcm_access")}},
    };
    return programs;
}

} // namespace

DesktopAccessibilitySettings::DesktopAccessibilitySettings(QString currentDesktop, FindProgram find,
                                                           Launch launch)
    : m_currentDesktop(std::move(currentDesktop)), m_find(std::move(find)),
      m_launch(std::move(launch)) {}

DesktopAccessibilitySettings::DesktopAccessibilitySettings()
    : DesktopAccessibilitySettings(
          qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
          [](const QString& name) { return QStandardPaths::findExecutable(name); },
          [](const QString& program, const QStringList& arguments) {
              return Base::Environment::startDetached(program, arguments);
          }) {}

std::optional<DesktopAccessibilitySettings::Command> DesktopAccessibilitySettings::command() const {
    const QStringList desktops = m_currentDesktop.split(u':', Qt::SkipEmptyParts);
    QList<KnownProgram> ordered;
    for (const auto& known : knownPrograms())
        if (desktops.contains(known.desktop, Qt::CaseInsensitive))
            ordered.append(known);
    for (const auto& known : knownPrograms())
        if (!desktops.contains(known.desktop, Qt::CaseInsensitive))
            ordered.append(known);
    for (const auto& known : ordered)
        if (const QString path = m_find(known.name); !path.isEmpty())
            return Command{path, known.arguments};
    return std::nullopt;
}

void DesktopAccessibilitySettings::openAccessibilitySettings() {
    const auto found = command();
    if (!found) {
        logger.notice("accessibility settings: no known settings program is installed");
        return;
    }
    if (!m_launch(found->program, found->arguments))
        logger.error("accessibility settings: %{public}s could not be started", found->program);
}

} // namespace Parlino
