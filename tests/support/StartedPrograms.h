#pragma once

// What the desktop tests give the programs they start: an end with the test, and a home of the
// program's own.
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include <csignal>
#include <utility>

#include <sys/prctl.h>

namespace TestSupport {

// Makes `process`, once started, end when the test's main thread ends, also when the test is
// killed or crashes: nothing it started keeps the machine busy or the desktop changed for the
// suites that follow.
inline void endWithTheTest(QProcess& process) {
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

// `environment` with a HOME and XDG folders in `folder`, made now, so that the program depends on
// nothing that another test or run left and leaves its files there.
inline QProcessEnvironment withOwnHome(QProcessEnvironment environment, const QString& folder) {
    for (const auto& [variable, path] : {std::pair{"HOME", ""},
                                         {"XDG_CONFIG_HOME", "/.config"},
                                         {"XDG_DATA_HOME", "/.local/share"},
                                         {"XDG_CACHE_HOME", "/.cache"},
                                         {"XDG_STATE_HOME", "/.local/state"}}) {
        QDir().mkpath(folder + QLatin1String(path));
        environment.insert(QLatin1String(variable), folder + QLatin1String(path));
    }
    return environment;
}

} // namespace TestSupport
