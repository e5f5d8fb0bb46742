#include "Capture/Linux/ApplicationIdentity.h"
#include "Capture/Linux/SystemKeyPoster.h"

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

TEST(SystemKeyPoster, knowsTerminalsByClassOrInstanceInAnyCase) {
    const QStringList terminals = SystemKeyPoster::defaultTerminalClasses();
    EXPECT_TRUE(ApplicationIdentity::matchesAny({"xterm", "XTerm"}, terminals));
    EXPECT_TRUE(
        ApplicationIdentity::matchesAny({"gnome-terminal-server", "Gnome-terminal"}, terminals));
    EXPECT_TRUE(ApplicationIdentity::matchesAny({"st-256color", "st-256color"}, terminals));
    EXPECT_TRUE(ApplicationIdentity::matchesAny({"kitty", "kitty"}, terminals));
    EXPECT_TRUE(ApplicationIdentity::matchesAny({"alacritty", "Alacritty"}, terminals));
    EXPECT_FALSE(ApplicationIdentity::matchesAny({"gedit", "Gedit"}, terminals));
    EXPECT_FALSE(ApplicationIdentity::matchesAny({"", ""}, terminals));
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
