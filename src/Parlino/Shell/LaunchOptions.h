#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace Parlino {

// What the command line asks of a start. Besides its own options the application takes the Qt
// toolkit's (`-platform xcb`, `-style fusion`, `-session <id>` from a session manager, …) and
// leaves them to Qt; anything else is refused.
struct LaunchOptions {
    enum class Action {
        run,         // start in the tray, or open the running application's panel
        read,        // hand standard input to the running application to read
        showHelp,    // print the usage
        showVersion, // print the name and version
        refuse,      // an option or argument it does not take
    };

    Action action = Action::run;
    // Why the command line was refused, naming the argument ("unrecognized option '--bogus'").
    QString refusal;

    // `arguments` as the program got them, its name first. The first of help, version or a
    // refused argument decides; otherwise "--read" anywhere asks for a read.
    static LaunchOptions parse(const QStringList& arguments);

    // What a start that only answers on the terminal prints, where, and the status it exits with.
    struct TerminalAnswer {
        QString text;
        bool toStandardError = false;
        int status = 0;
    };
    // None for a start that runs or reads. `program` is the name the user typed.
    std::optional<TerminalAnswer> terminalAnswer(const QString& program,
                                                 const QString& version) const;
};

} // namespace Parlino
