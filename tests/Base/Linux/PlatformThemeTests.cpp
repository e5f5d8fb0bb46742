#include "Base/Linux/PlatformTheme.h"

#include <QByteArrayList>
#include <QMap>

#include <gtest/gtest.h>

#include <vector>

namespace {

namespace PlatformTheme = Base::PlatformTheme;

using Variables = QMap<QByteArray, QByteArray>;

// Themes a user's machine commonly holds: Qt's GTK one, its portal one (keyed "flatpak" too) and
// a settings tool's.
const QByteArrayList installed{"gtk3", "xdgdesktopportal", "flatpak", "qt6ct"};

PlatformTheme::Choice choose(const QByteArray& named, const Variables& variables,
                             const QByteArrayList& plugins = installed) {
    return PlatformTheme::choose(
        {named, QStringLiteral("QT_QPA_PLATFORMTHEME")},
        [&](const char* name) { return variables.value(name); },
        [&](const QByteArray& name) { return plugins.contains(name); });
}

// Whatever is named and however the session names its desktop, Qt is given a theme that loads
// no GTK and that it can make (installed, or its own), so that it never falls back by itself.
TEST(PlatformTheme, NoRequestOnAnyDesktopEndsInAThemeThatLoadsGtk) {
    const std::vector<Variables> desktops{
        {},
        {{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}},
        {{"XDG_CURRENT_DESKTOP", "X-Cinnamon"}},
        {{"XDG_CURRENT_DESKTOP", "KDE"}},
        {{"DESKTOP_SESSION", "mate"}},
        {{"DESKTOP_SESSION", "/usr/share/xsessions/lxde"}},
        {{"GNOME_DESKTOP_SESSION_ID", "this-is-deprecated"}},
    };
    for (const QByteArray named :
         {"", "gtk3", "GTK2", "gtk3:dialogs", "qt5ct", "none", "xdgdesktopportal", "flatpak"}) {
        for (const Variables& desktop : desktops) {
            const QByteArray theme = choose(named, desktop).theme;
            EXPECT_TRUE(!theme.toLower().startsWith("gtk") &&
                        (installed.contains(theme) || theme == "gnome" || theme == "generic"))
                << named.constData() << " gave " << theme.constData();
        }
    }
}

TEST(PlatformTheme, TheNamedThemeOrTheDesktopsOwnWithoutGtkIsChosenAndToldWhy) {
    const Variables gnome{{"XDG_CURRENT_DESKTOP", "GNOME"}};
    EXPECT_EQ(choose("qt6ct", gnome).reason, QStringLiteral("named by QT_QPA_PLATFORMTHEME"));
    EXPECT_EQ(choose("flatpak", gnome).theme, "flatpak");
    const auto gtk = choose("gtk3", {{"XDG_CURRENT_DESKTOP", "XFCE"}});
    EXPECT_EQ(gtk.theme, "gnome");
    EXPECT_EQ(gtk.reason, QStringLiteral("gtk3, named by QT_QPA_PLATFORMTHEME, would load GTK; "
                                         "Qt's GNOME theme, without GTK, for the desktop XFCE"));
    EXPECT_TRUE(choose("qt5ct", {{"DESKTOP_SESSION", "gnome-xorg"}})
                    .reason.startsWith(QStringLiteral("qt5ct, named by QT_QPA_PLATFORMTHEME, is "
                                                      "not installed; Qt's GNOME theme")));
    // XDG_CURRENT_DESKTOP before the older variables; KDE's theme for a KDE session of version 4
    // on, or from its plugin; another desktop's by its name when it is installed.
    EXPECT_EQ(choose("", {{"XDG_CURRENT_DESKTOP", "KDE"}, {"DESKTOP_SESSION", "gnome"}}).theme,
              "generic");
    EXPECT_EQ(choose("", {{"KDE_FULL_SESSION", "true"}, {"KDE_SESSION_VERSION", "5"}}).theme,
              "kde");
    EXPECT_EQ(choose("", {{"XDG_CURRENT_DESKTOP", "KDE"}}, {"kde"}).theme, "kde");
    EXPECT_EQ(choose("", {{"XDG_CURRENT_DESKTOP", "LXQt"}}, {"lxqt"}).theme, "lxqt");
    EXPECT_EQ(choose("", {}).reason, QStringLiteral("Qt's generic theme: no desktop is named"));
}

// Qt takes a theme named on the command line over the environment's: it is taken out, and the
// rest of the command line stays as it was.
TEST(PlatformTheme, TheThemeNamedOnTheCommandLineIsTakenOutOfIt) {
    qputenv("QT_QPA_PLATFORMTHEME", "qt6ct");
    QByteArrayList arguments{"parlino", "-platformtheme", "qt5ct",
                             "-style",  "fusion",         "--platformtheme",
                             "gtk3",    "--read",         "-platformtheme"};
    std::vector<char*> argv;
    for (QByteArray& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    int argc = int(arguments.size());

    const auto request = PlatformTheme::requested(argc, argv.data());
    EXPECT_EQ(request.name, "gtk3");
    EXPECT_EQ(request.origin, QStringLiteral("-platformtheme"));
    ASSERT_EQ(argc, 5) << "a last option without its value is left to Qt";
    EXPECT_EQ(QByteArrayList(argv.begin() + 1, argv.begin() + argc),
              QByteArrayList({"-style", "fusion", "--read", "-platformtheme"}));
    EXPECT_EQ(argv[5], nullptr);

    argc = 1;
    EXPECT_EQ(PlatformTheme::requested(argc, argv.data()).name, "qt6ct");
    qunsetenv("QT_QPA_PLATFORMTHEME");
}

} // namespace
