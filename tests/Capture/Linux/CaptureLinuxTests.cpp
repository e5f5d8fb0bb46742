#include "Capture/Linux/ApplicationIdentity.h"
#include "Capture/Linux/SystemKeyPoster.h"
#include "Capture/Linux/Terminals.h"

#include <xkbcommon/xkbcommon.h>

#include <gtest/gtest.h>

#include <memory>

using namespace Capture;

namespace {

TEST(ApplicationIdentity, namesPasswordManagersByTheirIdentifiersAndOthersByTheirClass) {
    EXPECT_EQ(ApplicationIdentity::bundleID({"keepassxc", "KeePassXC"}),
              QStringLiteral("org.keepassxc.keepassxc"));
    EXPECT_EQ(ApplicationIdentity::bundleID({"bitwarden", "Bitwarden"}),
              QStringLiteral("com.bitwarden.desktop"));
    EXPECT_EQ(ApplicationIdentity::bundleID({"1password", "1Password"}),
              QStringLiteral("com.1password.1password"));
    EXPECT_EQ(ApplicationIdentity::bundleID({"navigator", "firefox-esr"}),
              QStringLiteral("firefox-esr"));
    EXPECT_EQ(ApplicationIdentity::bundleID({"gedit", ""}), QStringLiteral("gedit"));
}

TEST(ApplicationIdentity, namesTheApplicationByItsClass) {
    EXPECT_EQ(ApplicationIdentity::name({"navigator", "Firefox"}), QStringLiteral("Firefox"));
    EXPECT_EQ(ApplicationIdentity::name({"gedit", ""}), QStringLiteral("gedit"));
    EXPECT_EQ(ApplicationIdentity::name({"", ""}), QStringLiteral("App"));
}

// The window classes (instance, class) that these terminals set on X11.
TEST(Terminals, knowsTerminalsByClassOrInstanceInAnyCase) {
    const QList<WindowClass> terminals{
        {"xterm", "XTerm"},
        {"gnome-terminal-server", "Gnome-terminal"},
        {"konsole", "konsole"},
        {"xfce4-terminal", "Xfce4-terminal"},
        {"mate-terminal", "Mate-terminal"},
        {"tilix", "Tilix"},
        {"guake", "Guake"},
        {"yakuake", "yakuake"},
        {"org.gnome.Console", "kgx"},
        {"terminator", "Terminator"},
        {"st-256color", "st-256color"},
        {"kitty", "kitty"},
        {"Alacritty", "Alacritty"},
    };
    for (const WindowClass& terminal : terminals) {
        EXPECT_TRUE(Terminals::isTerminal(terminal)) << terminal.className.toStdString();
        // The application's identifier is its class.
        EXPECT_TRUE(Terminals::isTerminal(
            Core::FrontmostApp{terminal.className, ApplicationIdentity::bundleID(terminal), 1}))
            << terminal.className.toStdString();
    }
    const QList<WindowClass> others{
        {"kwrite", "kwrite"},
        {"gedit", "Gedit"},
        {"mousepad", "Mousepad"},
        {"kate", "kate"},
        {"dolphin", "dolphin"},
        {"Navigator", "firefox"},
        {"", ""},
        {"stellarium", "Stellarium"},
        {"mattermost", "Mattermost"},
    };
    for (const WindowClass& other : others)
        EXPECT_FALSE(Terminals::isTerminal(other)) << other.className.toStdString();
}

// Keymaps compiled from the system's layout data, as a user's keyboard would set them.
class KeyLayouts : public ::testing::Test {
protected:
    using Keymap = std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)>;

    Keymap keymap(const char* layout, const char* variant = "") {
        const xkb_rule_names names{"evdev", "pc105", layout, variant, ""};
        return {xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS),
                &xkb_keymap_unref};
    }

    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context{
        xkb_context_new(XKB_CONTEXT_NO_FLAGS), &xkb_context_unref};
};

TEST_F(KeyLayouts, findsTheKeyThatTypesTheLetterInTheLayout) {
    const auto us = keymap("us");
    const auto dvorak = keymap("us", "dvorak");
    ASSERT_TRUE(us && dvorak);

    EXPECT_EQ(SystemKeyPoster::keyCode(U'c', us.get(), 0), SystemKeyPoster::physicalCKeyCode);
    // Dvorak types "c" with the key where QWERTY has "i".
    EXPECT_EQ(SystemKeyPoster::keyCode(U'c', dvorak.get(), 0), 31u);
}

TEST_F(KeyLayouts, looksInTheActiveLayoutOfSeveral) {
    const auto russianThenUs = keymap("ru,us");
    ASSERT_TRUE(russianThenUs);

    EXPECT_EQ(SystemKeyPoster::keyCode(U'c', russianThenUs.get(), 0), std::nullopt);
    EXPECT_EQ(SystemKeyPoster::keyCode(U'c', russianThenUs.get(), 1),
              SystemKeyPoster::physicalCKeyCode);
}

} // namespace
