#include "Parlino/Shell/LaunchOptions.h"

#include "Parlino/Shell/TextHandOver.h"

#include <QSet>

namespace Parlino {

namespace {

using Action = LaunchOptions::Action;

// The Qt toolkit's own options (of its application objects and its X11 platform), written with
// one dash or two; those in the first set take a value, as the next argument or after "=".
const QSet<QString>& toolkitOptionsWithValue() {
    static const QSet<QString> options{
        QStringLiteral("platform"),        QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"),   QStringLiteral("plugin"),
        QStringLiteral("qwindowgeometry"), QStringLiteral("geometry"),
        QStringLiteral("qwindowtitle"),    QStringLiteral("title"),
        QStringLiteral("qwindowicon"),     QStringLiteral("session"),
        QStringLiteral("display"),         QStringLiteral("name"),
        QStringLiteral("style"),           QStringLiteral("stylesheet"),
    };
    return options;
}

const QSet<QString>& toolkitFlags() {
    static const QSet<QString> flags{QStringLiteral("reverse"), QStringLiteral("widgetcount")};
    return flags;
}

// "-style", "--style" and "-style=fusion" all name "style".
QString toolkitOptionName(const QString& argument) {
    const QString bare =
        argument.startsWith(QStringLiteral("--")) ? argument.mid(2) : argument.mid(1);
    return bare.section(u'=', 0, 0);
}

LaunchOptions refused(const QString& why) {
    return {Action::refuse, why};
}

} // namespace

LaunchOptions LaunchOptions::parse(const QStringList& arguments) {
    bool read = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == u"-h" || argument == u"--help")
            return {Action::showHelp, {}};
        if (argument == u"--version")
            return {Action::showVersion, {}};
        if (argument == u"--read") {
            read = true;
            continue;
        }
        if (!argument.startsWith(u'-') || argument.size() < 2)
            return refused(QStringLiteral("unexpected argument '%1'").arg(argument));
        const QString name = toolkitOptionName(argument);
        if (toolkitFlags().contains(name) && !argument.contains(u'='))
            continue;
        if (!toolkitOptionsWithValue().contains(name))
            return refused(QStringLiteral("unrecognized option '%1'").arg(argument));
        if (argument.contains(u'='))
            continue;
        if (++i == arguments.size())
            return refused(QStringLiteral("option '%1' requires an argument").arg(argument));
    }
    return {read ? Action::read : Action::run, {}};
}

std::optional<LaunchOptions::TerminalAnswer>
LaunchOptions::terminalAnswer(const QString& program, const QString& nameAndVersion) const {
    switch (action) {
    case Action::run:
    case Action::read:
        return std::nullopt;
    case Action::showVersion:
        return TerminalAnswer{nameAndVersion + u'\n', false, 0};
    case Action::refuse:
        return TerminalAnswer{
            QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n").arg(program, refusal),
            true, 2};
    case Action::showHelp:
        break;
    }
    return TerminalAnswer{
        QStringLiteral(
            "Usage: %1 [OPTION]\n"
            "Reads aloud the text selected in any application, from the tray.\n"
            "\n"
            "  --read         read the text given on standard input, up to %2 MiB (the\n"
            "                 running Parlino reads it; one is started when none runs)\n"
            "  -h, --help     show this help and exit\n"
            "  --version      show the name and version and exit\n"
            "\n"
            "Without an option, Parlino starts in the tray, or the one already running opens\n"
            "its panel. The Qt toolkit's options (-platform, -display, -style, -session, ...)\n"
            "are passed on to it.\n")
            .arg(program)
            .arg(TextHandOver::maxBytes / (1024 * 1024)),
        false, 0};
}

} // namespace Parlino
