#include "KeyboardShortcuts/Linux/XKeyCodes.h"
#include "KeyboardShortcuts/Linux/XkbKeyboardLayout.h"
#include "KeyboardShortcuts/Shortcut.h"

#include "support/FakeKeyboardLayout.h"
#include "support/Printers.h"

#include <xkbcommon/xkbcommon.h>

#include <gtest/gtest.h>

#include <memory>

using namespace KeyboardShortcuts;

namespace {

// Each virtual key code and the XKB name of the key at that place.
const std::pair<Key, const char*> keyNames[] = {
    {Key::a, "AC01"},
    {Key::s, "AC02"},
    {Key::d, "AC03"},
    {Key::f, "AC04"},
    {Key::g, "AC05"},
    {Key::h, "AC06"},
    {Key::j, "AC07"},
    {Key::k, "AC08"},
    {Key::l, "AC09"},
    {Key::semicolon, "AC10"},
    {Key::quote, "AC11"},
    {Key::backslash, "BKSL"},
    {Key::q, "AD01"},
    {Key::w, "AD02"},
    {Key::e, "AD03"},
    {Key::r, "AD04"},
    {Key::t, "AD05"},
    {Key::y, "AD06"},
    {Key::u, "AD07"},
    {Key::i, "AD08"},
    {Key::o, "AD09"},
    {Key::p, "AD10"},
    {Key::leftBracket, "AD11"},
    {Key::rightBracket, "AD12"},
    {Key::z, "AB01"},
    {Key::x, "AB02"},
    {Key::c, "AB03"},
    {Key::v, "AB04"},
    {Key::b, "AB05"},
    {Key::n, "AB06"},
    {Key::m, "AB07"},
    {Key::comma, "AB08"},
    {Key::period, "AB09"},
    {Key::slash, "AB10"},
    {Key::backtick, "TLDE"},
    {Key::one, "AE01"},
    {Key::two, "AE02"},
    {Key::three, "AE03"},
    {Key::four, "AE04"},
    {Key::five, "AE05"},
    {Key::six, "AE06"},
    {Key::seven, "AE07"},
    {Key::eight, "AE08"},
    {Key::nine, "AE09"},
    {Key::zero, "AE10"},
    {Key::minus, "AE11"},
    {Key::equal, "AE12"},
    {Key::returnKey, "RTRN"},
    {Key::tab, "TAB"},
    {Key::space, "SPCE"},
    {Key::deleteKey, "BKSP"},
    {Key::escape, "ESC"},
    {Key::command, "LWIN"},
    {Key::rightCommand, "RWIN"},
    {Key::shift, "LFSH"},
    {Key::rightShift, "RTSH"},
    {Key::capsLock, "CAPS"},
    {Key::option, "LALT"},
    {Key::rightOption, "RALT"},
    {Key::control, "LCTL"},
    {Key::rightControl, "RCTL"},
    {Key::keypad0, "KP0"},
    {Key::keypad1, "KP1"},
    {Key::keypad2, "KP2"},
    {Key::keypad3, "KP3"},
    {Key::keypad4, "KP4"},
    {Key::keypad5, "KP5"},
    {Key::keypad6, "KP6"},
    {Key::keypad7, "KP7"},
    {Key::keypad8, "KP8"},
    {Key::keypad9, "KP9"},
    {Key::keypadDecimal, "KPDL"},
    {Key::keypadMultiply, "KPMU"},
    {Key::keypadPlus, "KPAD"},
    {Key::keypadClear, "NMLK"},
    {Key::keypadDivide, "KPDV"},
    {Key::keypadEnter, "KPEN"},
    {Key::keypadMinus, "KPSU"},
    {Key::keypadEquals, "KPEQ"},
    {Key::mute, "MUTE"},
    {Key::volumeDown, "VOL-"},
    {Key::volumeUp, "VOL+"},
    {Key::help, "INS"},
    {Key::home, "HOME"},
    {Key::pageUp, "PGUP"},
    {Key::deleteForward, "DELE"},
    {Key::end, "END"},
    {Key::pageDown, "PGDN"},
    {Key::leftArrow, "LEFT"},
    {Key::rightArrow, "RGHT"},
    {Key::downArrow, "DOWN"},
    {Key::upArrow, "UP"},
    {Key::f1, "FK01"},
    {Key::f2, "FK02"},
    {Key::f3, "FK03"},
    {Key::f4, "FK04"},
    {Key::f5, "FK05"},
    {Key::f6, "FK06"},
    {Key::f7, "FK07"},
    {Key::f8, "FK08"},
    {Key::f9, "FK09"},
    {Key::f10, "FK10"},
    {Key::f11, "FK11"},
    {Key::f12, "FK12"},
    {Key::f13, "FK13"},
    {Key::f14, "FK14"},
    {Key::f15, "FK15"},
    {Key::f16, "FK16"},
    {Key::f17, "FK17"},
    {Key::f18, "FK18"},
    {Key::f19, "FK19"},
    {Key::f20, "FK20"},
    {Key(10), "LSGT"},
};

} // namespace

TEST(XKeyCodesTest, EveryKeyReachesTheXKeyAtItsPlaceAndBack) {
    const std::unique_ptr<xkb_context, void (*)(xkb_context*)> context(
        xkb_context_new(XKB_CONTEXT_NO_FLAGS), xkb_context_unref);
    const xkb_rule_names names{"evdev", "pc105", "us", "", nullptr};
    const std::unique_ptr<xkb_keymap, void (*)(xkb_keymap*)> keymap(
        xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS),
        xkb_keymap_unref);
    ASSERT_TRUE(keymap);

    for (const auto& [key, name] : keyNames) {
        const auto xKeyCode = XKeyCodes::fromVirtual(key.rawValue);
        ASSERT_TRUE(xKeyCode) << name;
        EXPECT_STREQ(xkb_keymap_key_get_name(keymap.get(), *xKeyCode), name);
        EXPECT_EQ(XKeyCodes::toVirtual(*xKeyCode), key.rawValue) << name;
    }
    EXPECT_EQ(XKeyCodes::fromVirtual(Key::function.rawValue), std::nullopt);
    EXPECT_EQ(XKeyCodes::fromVirtual(-1), std::nullopt);
    EXPECT_EQ(XKeyCodes::toVirtual(0), std::nullopt);
}

TEST(XkbKeyboardLayoutTest, KeysTypeTheCharactersOfTheirLayout) {
    const auto us = XkbKeyboardLayout::fromNames("us");
    ASSERT_TRUE(us);
    EXPECT_EQ(us->text(quint16(Key::a.rawValue)), QStringLiteral("a"));
    EXPECT_EQ(us->text(quint16(Key::semicolon.rawValue)), QStringLiteral(";"));
    EXPECT_EQ(us->text(quint16(Key::mute.rawValue)), QString());
    EXPECT_EQ(us->text(quint16(Key::function.rawValue)), QString());

    const auto german = XkbKeyboardLayout::fromNames("de");
    ASSERT_TRUE(german);
    EXPECT_EQ(german->text(quint16(Key::y.rawValue)), QStringLiteral("z"));
    EXPECT_EQ(german->text(quint16(Key::semicolon.rawValue)), QStringLiteral("ö"));

    const auto french = XkbKeyboardLayout::fromNames("fr");
    ASSERT_TRUE(french);
    EXPECT_EQ(french->text(quint16(Key::a.rawValue)), QStringLiteral("q"));
}

TEST(XkbKeyboardLayoutTest, ALayoutThatTypesASCIILettersIsPreferred) {
    const auto mixed = XkbKeyboardLayout::fromNames("ru,us");
    ASSERT_TRUE(mixed);
    EXPECT_EQ(mixed->text(quint16(Key::a.rawValue)), QStringLiteral("a"));
    EXPECT_EQ(XkbKeyboardLayout::fromNames("ru"), nullptr);
}

TEST(XkbKeyboardLayoutTest, DescriptionsUseTheLayoutsCharacters) {
    TestSupport::KeyboardLayoutScope layout(XkbKeyboardLayout::fromNames("de"));
    EXPECT_EQ(Shortcut(Key::y, ModifierFlag::command).description(), QStringLiteral("Super+Z"));
    EXPECT_EQ(Shortcut(Key::s, ModifierFlag::control | ModifierFlag::shift).description(),
              QStringLiteral("Ctrl+Shift+S"));
}
