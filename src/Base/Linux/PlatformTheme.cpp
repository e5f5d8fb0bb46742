#include "Base/Linux/PlatformTheme.h"

#include "Base/Environment.h"
#include "Base/Log.h"

#include <QByteArrayList>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>

namespace Base::PlatformTheme {

namespace {

const Log logger(QStringLiteral("launch"));

const char* const environmentName = "QT_QPA_PLATFORMTHEME";

// Qt's own themes, made without a plugin: the names it makes them for.
const QByteArray genericTheme = QByteArrayLiteral("generic");
const QByteArray gnomeTheme = QByteArrayLiteral("gnome");
const QByteArray kdeTheme = QByteArrayLiteral("kde");

// The desktops whose theme in Qt is its GTK one, by the names their sessions give them.
const QByteArrayList& gtkDesktops() {
    static const QByteArrayList desktops{"GNOME", "X-CINNAMON", "CINNAMON", "PANTHEON",
                                         "UNITY", "MATE",       "XFCE",     "LXDE"};
    return desktops;
}

// Qt looks a plugin up by the part of a theme's name before any ':', in lower case.
QByteArray pluginKey(const QByteArray& name) {
    return name.split(':').first().toLower();
}

// Qt makes its KDE theme only for a KDE session of version 4 or later.
bool isBuiltIn(const QByteArray& name, const Variable& variable) {
    return name == genericTheme || name == gnomeTheme ||
           (name == kdeTheme && variable("KDE_SESSION_VERSION").toInt() >= 4);
}

// The desktop's names, as Qt reads them: from XDG_CURRENT_DESKTOP, else from the variables of
// older sessions. A session's name may be the path of its file, and may carry a variant
// ("gnome-xorg").
QByteArrayList desktopNames(const Variable& variable) {
    if (const QByteArray current = variable("XDG_CURRENT_DESKTOP"); !current.isEmpty())
        return current.toUpper().split(':');
    if (!variable("KDE_FULL_SESSION").isEmpty())
        return {"KDE"};
    if (!variable("GNOME_DESKTOP_SESSION_ID").isEmpty())
        return {"GNOME"};
    QByteArray session = variable("DESKTOP_SESSION");
    session = session.mid(session.lastIndexOf('/') + 1).split('-').first();
    if (session.isEmpty())
        return {};
    return {session.toUpper()};
}

QString text(const QByteArray& bytes) {
    return QString::fromLocal8Bit(bytes);
}

// The desktop's own theme without GTK, else Qt's generic one.
Choice forDesktop(const Variable& variable, const Installed& installed) {
    const QByteArrayList names = desktopNames(variable);
    for (const QByteArray& name : names) {
        if (gtkDesktops().contains(name))
            return {gnomeTheme, QStringLiteral("Qt's GNOME theme, without GTK, for the desktop %1")
                                    .arg(text(name))};
        if (name == "KDE" && (installed(kdeTheme) || isBuiltIn(kdeTheme, variable)))
            return {kdeTheme, QStringLiteral("the KDE theme, for the desktop KDE")};
        // Qt's practice for other desktops: a theme named after it, in lower case, without "x-".
        QByteArray own = name.toLower();
        if (own.startsWith("x-"))
            own = own.mid(2);
        if (!own.isEmpty() && !own.startsWith("gtk") && installed(own))
            return {own, QStringLiteral("the theme of the desktop %1").arg(text(name))};
    }
    const QByteArray desktop = names.join(':');
    if (desktop.isEmpty())
        return {genericTheme, QStringLiteral("Qt's generic theme: no desktop is named")};
    return {genericTheme,
            QStringLiteral("Qt's generic theme, for the desktop %1").arg(text(desktop))};
}

} // namespace

Choice choose(const Request& request, const Variable& variable, const Installed& installed) {
    const QByteArray named = request.name.trimmed();
    QString refusal;
    if (!named.isEmpty()) {
        const QByteArray key = pluginKey(named);
        if (key.startsWith("gtk"))
            refusal = QStringLiteral("%1, named by %2, would load GTK");
        else if (installed(key) || isBuiltIn(named, variable))
            return {named, QStringLiteral("named by %1").arg(request.origin)};
        else
            refusal = QStringLiteral("%1, named by %2, is not installed");
        refusal = refusal.arg(text(named), request.origin);
    }
    Choice choice = forDesktop(variable, installed);
    if (!refusal.isEmpty())
        choice.reason = refusal + QStringLiteral("; ") + choice.reason;
    return choice;
}

Request requested(int& argc, char** argv) {
    Request request{qgetenv(environmentName), QString::fromLatin1(environmentName)};
    if (argc < 1)
        return request;
    // As Qt reads its options: with one dash or two, the value as the next argument; the last
    // one counts.
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        QByteArrayView argument(argv[i]);
        if (argument.startsWith("--"))
            argument = argument.sliced(1);
        if (argument == "-platformtheme" && i + 1 < argc) {
            request = {argv[++i], QStringLiteral("-platformtheme")};
            continue;
        }
        argv[kept++] = argv[i];
    }
    if (kept < argc)
        argv[kept] = nullptr;
    argc = kept;
    return request;
}

bool isInstalled(const QByteArray& name) {
    QStringList folders;
    for (const QString& path : QCoreApplication::libraryPaths())
        folders.append(path + QStringLiteral("/platformthemes"));
    if (const QString path = qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH"); !path.isEmpty())
        folders.append(path);
    const QString wanted = QString::fromLocal8Bit(name);
    for (const QString& folder : folders) {
        for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files)) {
            const QJsonObject metaData = QPluginLoader(file.filePath()).metaData();
            if (metaData.value(QStringLiteral("IID")) !=
                QStringLiteral("org.qt-project.Qt.QPA.QPlatformThemeFactoryInterface.5.1"))
                continue;
            const QJsonArray keys = metaData.value(QStringLiteral("MetaData"))
                                        .toObject()
                                        .value(QStringLiteral("Keys"))
                                        .toArray();
            for (const QJsonValue& key : keys)
                if (key.toString().compare(wanted, Qt::CaseInsensitive) == 0)
                    return true;
        }
    }
    return false;
}

Choice apply(const Request& request) {
    Choice choice = choose(
        request, [](const char* name) { return qgetenv(name); }, &isInstalled);
    Environment::setForThisProcess(environmentName, choice.theme);
    // Else Qt would also try the desktop's themes, its GTK one first, before its generic one.
    QGuiApplication::setDesktopSettingsAware(false);
    return choice;
}

void report(const Choice& choice) {
    logger.notice("platform theme %{public}s: %{public}s", QString::fromLocal8Bit(choice.theme),
                  choice.reason);
}

} // namespace Base::PlatformTheme
