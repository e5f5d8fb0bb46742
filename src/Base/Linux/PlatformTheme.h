#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace Base::PlatformTheme {

// The theme asked of Qt by name, and where it was named ("-platformtheme" on the command line,
// which Qt takes over the environment's "QT_QPA_PLATFORMTHEME").
struct Request {
    QByteArray name;
    QString origin;
};

// The theme Qt is to load, and why, for the log.
struct Choice {
    QByteArray theme;
    QString reason;
};

// An environment variable's value, empty when it is not set.
using Variable = std::function<QByteArray(const char* name)>;
// Whether a theme plugin of Qt's answers to a name.
using Installed = std::function<bool(const QByteArray& name)>;

// Qt loads its GTK theme when it is named, and, on a desktop it takes for a GTK one, whenever the
// theme named is not installed or none is named. The theme that keeps GTK out: the one named,
// when it is installed or built into Qt and loads no GTK; otherwise the desktop's own (Qt's GNOME
// theme, without GTK, on the GTK desktops), or Qt's generic one.
Choice choose(const Request& request, const Variable& variable, const Installed& installed);

// The theme named on the command line, taken out of it (Qt would take it over the environment's),
// else the one the environment names.
Request requested(int& argc, char** argv);

// Whether a theme plugin in Qt's plugin folders answers to `name`; read without loading it.
bool isInstalled(const QByteArray& name);

// Has Qt load the theme chosen for `request` in this process alone, and only that one or its
// generic theme, whatever the desktop. Call before the application object is made.
Choice apply(const Request& request);
// Logs which theme is used and why: once the process is known to be the application, so that a
// start that hands its request over says nothing of it on the terminal.
void report(const Choice& choice);

} // namespace Base::PlatformTheme
