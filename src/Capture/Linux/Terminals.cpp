#include "Capture/Linux/Terminals.h"

#include <QStringList>

namespace Capture::Terminals {

namespace {

// Terminals whose window class does not say "terminal" or begin or end with "term".
const QStringList& namedTerminals() {
    static const QStringList classes{
        // Built on VTE.
        QStringLiteral("kgx"),
        QStringLiteral("org.gnome.Console"),
        QStringLiteral("org.gnome.Ptyxis"),
        QStringLiteral("Ptyxis"),
        QStringLiteral("Tilix"),
        QStringLiteral("com.gexperts.Tilix"),
        QStringLiteral("Guake"),
        QStringLiteral("Tilda"),
        QStringLiteral("Sakura"),
        QStringLiteral("Roxterm"),
        QStringLiteral("com.raggesilver.BlackBox"),
        // Built on Konsole's part or on its terminal widget.
        QStringLiteral("konsole"),
        QStringLiteral("org.kde.konsole"),
        QStringLiteral("Yakuake"),
        // Others.
        QStringLiteral("URxvt"),
        QStringLiteral("Rxvt"),
        QStringLiteral("kitty"),
        QStringLiteral("Alacritty"),
        QStringLiteral("st"),
        QStringLiteral("st-256color"),
        QStringLiteral("foot"),
        QStringLiteral("footclient"),
        QStringLiteral("com.mitchellh.ghostty"),
    };
    return classes;
}

bool namesATerminal(const QString& name) {
    const QLatin1String term("term");
    return name.contains(QLatin1String("terminal"), Qt::CaseInsensitive) ||
           name.startsWith(term, Qt::CaseInsensitive) || name.endsWith(term, Qt::CaseInsensitive) ||
           namedTerminals().contains(name, Qt::CaseInsensitive);
}

} // namespace

bool isTerminal(const WindowClass& windowClass) {
    return namesATerminal(windowClass.className) || namesATerminal(windowClass.instance);
}

bool isTerminal(const Core::FrontmostApp& app) {
    return namesATerminal(app.bundleID);
}

} // namespace Capture::Terminals
