#include "Capture/Linux/ApplicationIdentity.h"

#include <QHash>

namespace Capture::ApplicationIdentity {

namespace {

// Window classes (lower case) of password managers, by the identifiers that name them.
const QHash<QString, QString>& aliases() {
    static const QHash<QString, QString> table{
        {QStringLiteral("1password"), QStringLiteral("com.1password.1password")},
        {QStringLiteral("bitwarden"), QStringLiteral("com.bitwarden.desktop")},
        {QStringLiteral("lastpass"), QStringLiteral("com.lastpass.LastPass")},
        {QStringLiteral("keepassxc"), QStringLiteral("org.keepassxc.keepassxc")},
        {QStringLiteral("org.keepassxc.keepassxc"), QStringLiteral("org.keepassxc.keepassxc")},
    };
    return table;
}

} // namespace

QString bundleID(const WindowClass& windowClass) {
    for (const QString& key : {windowClass.className, windowClass.instance}) {
        const auto alias = aliases().constFind(key.toLower());
        if (alias != aliases().constEnd())
            return *alias;
    }
    return windowClass.className.isEmpty() ? windowClass.instance : windowClass.className;
}

QString name(const WindowClass& windowClass) {
    if (!windowClass.className.isEmpty())
        return windowClass.className;
    if (!windowClass.instance.isEmpty())
        return windowClass.instance;
    return QStringLiteral("App");
}

} // namespace Capture::ApplicationIdentity
