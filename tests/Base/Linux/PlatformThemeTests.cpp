#include "Base/Linux/PlatformTheme.h"

#include <QByteArrayList>
#include <QMap>

#include <gtest/gtest.h>

#include <vector>

namespace {

namespace PlatformTheme = Base::PlatformTheme;

using Variables = QMap<QByteArray, QByteArray>;

// Themes that a user's machine commonly holds: Qt's GTK one (Debian's Qt recommends it), its
// portal one (keyed "flatpak" and "snap" too) and a settings tool's.
const QByteArrayList installed{"gtk3", "xdgdesktopportal", "flatpak", "snap", "qt6ct"};

PlatformTheme::Choice choose(const QByteArray& named, const Variables& variables,
                             const QByteArrayList& plugins = installed) {
    return PlatformTheme::choose(
        {named, QStringLiteral("QT_QPA_PLATFORMTHEME")},
        [&](const char* name) { return variables.value(name); },
        [&](const QByteArray& name) { return plugins.contains(name); });
}

// Named or not, installed or not, on whichever desktop and however the session names it: the
// theme Qt is given is never one that loads GTK, and always one that it can make (installed, or
// built into it), so that Qt never falls back on its own.
TEST(PlatformTheme, NoRequestOnAnyDesktopEndsInAThemeThatLoadsGtk) {
    const std::vector<Variables> desktops{
        {},
        {{"XDG_CURRENT_DESKTOP", "GNOME"}},
        {{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}},
        {{"XDG_CURRENT_DESKTOP", "XFCE"}},
        {{"XDG_CURRENT_DESKTOP", "MATE"}},
        {{"XDG_CURRENT_DESKTOP", "X-Cinnamon"}},
        {{"XDG_CURRENT_DESKTOP", "LXDE"}},
        {{"XDG_CURRENT_DESKTOP", "KDE"}},
        {{"DESKTOP_SESSION", "gnome"}},
        {{"DESKTOP_SESSION", "xfce"}},
        {{"DESKTOP_SESSION", "mate"}},
        {{"DESKTOP_SESSION", "cinnamon"}},
        {{"DESKTOP_SESSION", "/usr/share/xsessions/lxde"}},
        {{"GNOME_DESKTOP_SESSION_ID", "this-is-deprecated"}},
    };
    for (const QByteArray named : {"", "gtk3", "GTK3", "gtk2", "gtk3:dialogs", "qt5ct", "none",
                                   "xdgdesktopportal", "flatpak", " gnome "}) {
        for (const Variables& desktop : desktops) {
            const auto choice = choose(named, desktop);
            const QByteArray key = choice.theme.split(':').first().toLower();
            EXPECT_FALSE(key.startsWith("gtk"))
                << named.constData() << " " << choice.theme.constData();
            EXPECT_TRUE(installed.contains(key) || choice.theme == "gnome" ||
                        choice.theme == "generic")
                << named.constData() << " " << choice.theme.constData();
            EXPECT_FALSE(choice.reason.isEmpty());
        }
    }
}

TEST(PlatformTheme, AnInstalledOrBuiltInThemeThatLoadsNoGtkIsKeptAsNamed) {
    const Variables gnome{{"XDG_CURRENT_DESKTOP", "GNOME"}};
    for (const QByteArray named : {"qt6ct", "xdgdesktopportal", "flatpak", "generic", "gnome"}) {
        const auto choice = choose(named, gnome);
        EXPECT_EQ(choice.theme, named);
        EXPECT_EQ(choice.reason, QStringLiteral("named by QT_QPA_PLATFORMTHEME"));
    }
    // Qt makes its KDE theme only for a KDE session.
    EXPECT_EQ(choose("kde", {{"KDE_SESSION_VERSION", "5"}}).theme, "kde");
    EXPECT_EQ(choose("kde", gnome).theme, "gnome");
}

// Where Qt would turn to its GTK theme, because it is named, or because the theme named is
// missing on a GTK desktop, its GNOME theme stands in; the log says why.
TEST(PlatformTheme, AGtkOrMissingThemeGivesWayToTheDesktopsOwnWithoutGtk) {
    const auto gtk = choose("gtk3", {{"XDG_CURRENT_DESKTOP", "XFCE"}});
    EXPECT_EQ(gtk.theme, "gnome");
    EXPECT_EQ(gtk.reason, QStringLiteral("gtk3, named by QT_QPA_PLATFORMTHEME, would load GTK; "
                                         "Qt's GNOME theme, without GTK, for the desktop XFCE"));
    const auto missing = choose("qt5ct", {{"DESKTOP_SESSION", "gnome"}});
    EXPECT_EQ(missing.theme, "gnome");
    EXPECT_TRUE(missing.reason.startsWith(
        QStringLiteral("qt5ct, named by QT_QPA_PLATFORMTHEME, is not installed; ")));
    EXPECT_EQ(choose("gtk3", {}).theme, "generic");
}

TEST(PlatformTheme, TheDesktopIsReadAsQtReadsIt) {
    // XDG_CURRENT_DESKTOP first, whichever of its names has a theme; then the older variables.
    EXPECT_EQ(choose("", {{"XDG_CURRENT_DESKTOP", "KDE"}, {"DESKTOP_SESSION", "gnome"}}).theme,
              "generic");
    EXPECT_EQ(choose("", {{"XDG_CURRENT_DESKTOP", "Budgie:GNOME"}}).theme, "gnome");
    EXPECT_EQ(choose("", {{"KDE_FULL_SESSION", "true"}, {"DESKTOP_SESSION", "gnome"}}).theme,
              "generic");
    EXPECT_EQ(choose("", {{"DESKTOP_SESSION", "gnome-xorg"}}).theme, "gnome");
    EXPECT_EQ(choose("", {{"DESKTOP_SESSION", "/usr/share/xsessions/mate"}}).theme, "gnome");
    // KDE's theme: Qt's own for a session of version 4 on, or the desktop's plugin.
    EXPECT_EQ(choose("", {{"XDG_CURRENT_DESKTOP", "KDE"}, {"KDE_SESSION_VERSION", "5"}}).theme,
              "kde");
    EXPECT_EQ(choose("", {{"XDG_CURRENT_DESKTOP", "KDE"}}, {"kde"}).theme, "kde");
    // Another desktop's theme goes by its name, when it is installed.
    EXPECT_EQ(choose("", {{"XDG_CURRENT_DESKTOP", "LXQt"}}, {"lxqt"}).theme, "lxqt");
    EXPECT_EQ(choose("", {{"XDG_CURRENT_DESKTOP", "LXQt"}}).theme, "generic");
    EXPECT_EQ(choose("", {}).reason, QStringLiteral("Qt's generic theme: no desktop is named"));
}

// Qt takes the theme named on the command line over the environment's: it is taken out, and the
// rest of the command line stays as it was.
TEST(PlatformTheme, TheThemeNamedOnTheCommandLineIsTakenOutOfIt) {
    qputenv("QT_QPA_PLATFORMTHEME", "qt6ct");
    QByteArrayList arguments{"parlino", "-platformtheme",  "qt5ct", "-style",
                             "fusion",  "--platformtheme", "gtk3",  "--read"};
    std::vector<char*> argv;
    for (QByteArray& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    int argc = int(argv.size()) - 1;

    const auto request = PlatformTheme::requested(argc, argv.data());
    EXPECT_EQ(request.name, "gtk3");
    EXPECT_EQ(request.origin, QStringLiteral("-platformtheme"));
    ASSERT_EQ(argc, 4);
    EXPECT_STREQ(argv[1], "-style");
    EXPECT_STREQ(argv[2], "fusion");
    EXPECT_STREQ(argv[3], "--read");
    EXPECT_EQ(argv[4], nullptr);

    // Without one, the environment's; a last option without its value is left to Qt.
    char program[] = "parlino";
    char option[] = "-platformtheme";
    char* alone[] = {program, option, nullptr};
    argc = 2;
    const auto fromEnvironment = PlatformTheme::requested(argc, alone);
    EXPECT_EQ(fromEnvironment.name, "qt6ct");
    EXPECT_EQ(fromEnvironment.origin, QStringLiteral("QT_QPA_PLATFORMTHEME"));
    EXPECT_EQ(argc, 2);
    qunsetenv("QT_QPA_PLATFORMTHEME");
}

} // namespace
