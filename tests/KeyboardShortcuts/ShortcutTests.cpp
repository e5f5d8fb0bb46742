#include "KeyboardShortcuts/Shortcut.h"

#include "support/FakeKeyboardLayout.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

using namespace KeyboardShortcuts;
using TestSupport::FakeKeyboardLayout;
using TestSupport::KeyboardLayoutScope;

namespace {

const ModifierFlags controlShift = ModifierFlag::control | ModifierFlag::shift;

QString text(const char16_t* utf16) {
    return QString::fromUtf16(utf16);
}

} // namespace

TEST(ModifierFlagsTest, CarbonBitsAndFlagsMapOneToOneAndDropEverythingElse) {
    EXPECT_EQ(modifierFlags(0x1300),
              ModifierFlag::control | ModifierFlag::shift | ModifierFlag::command);
    EXPECT_EQ(modifierFlags(0x400), ModifierFlags());
    EXPECT_EQ(modifierFlags(0x20000 | 0x800), ModifierFlag::function | ModifierFlag::option);
    const ModifierFlags everything = ModifierFlags::fromInt(0xFFFF0000);
    EXPECT_EQ(carbonModifiers(everything), 0x1000 | 0x800 | 0x200 | 0x100 | 0x20000);
    EXPECT_EQ(normalizedCarbonModifiers(0x1200 | 0x400 | 0x2000 | 0x4000 | 0x8000 | 0x1), 0x1200);
}

TEST(ShortcutTest, AKeyWithFlagsEqualsTheSameCodeAndMaskAndStoresAsJson) {
    const Shortcut fromKey(Key::s, controlShift);
    const Shortcut fromCodes(1, 0x1200);
    EXPECT_EQ(fromKey, fromCodes);
    EXPECT_EQ(qHash(fromKey), qHash(fromCodes));
    EXPECT_EQ(fromKey.key(), Key::s);
    EXPECT_EQ(fromKey.modifiers(), controlShift);
    EXPECT_EQ(fromKey.toJson(), QStringLiteral(R"({"carbonKeyCode":1,"carbonModifiers":4608})"));
}

TEST(ShortcutTest, CapsLockAndRightSideBitsAreNotKept) {
    EXPECT_EQ(Shortcut(1, 0x1200 | 0x400).carbonModifiers(), 0x1200);
    EXPECT_EQ(Shortcut(1, 0x100 | 0x2000).toJson(),
              QStringLiteral(R"({"carbonKeyCode":1,"carbonModifiers":256})"));
    EXPECT_EQ(Shortcut(Key::a, ModifierFlag::capsLock | ModifierFlag::numericPad),
              Shortcut(Key::a));
}

TEST(ShortcutTest, TheStoredFormReadsBackInAnyMemberOrder) {
    for (const Shortcut shortcut : {Shortcut(Key::s, controlShift), Shortcut(Key::f12),
                                    Shortcut(Key::space, ModifierFlag::function)})
        EXPECT_EQ(Shortcut::fromJson(shortcut.toJson()), shortcut);
    EXPECT_EQ(Shortcut::fromJson(R"( { "carbonModifiers" : 4608, "carbonKeyCode" : 1 } )"),
              Shortcut(Key::s, controlShift));
    EXPECT_EQ(Shortcut::fromJson(R"({"carbonKeyCode":1,"carbonModifiers":5632})"),
              Shortcut(1, 0x1200))
        << "a stored Caps Lock bit is dropped";
}

TEST(ShortcutTest, AStoredFormWithoutBothIntegersReadsAsNothing) {
    for (const char* stored :
         {R"({"carbonKeyCode":1})", R"({"carbonModifiers":4608})",
          R"({"carbonKeyCode":"1","carbonModifiers":4608})",
          R"({"carbonKeyCode":1,"carbonModifiers":4608.5})", R"([1,4608])", "not json", "",
          R"({"carbonKeyCode":1,"carbonModifiers":4608} trailing)"})
        EXPECT_EQ(Shortcut::fromJson(QString::fromUtf8(stored)), std::nullopt) << stored;
}

TEST(ShortcutDescriptionTest, ModifierNamesComeInTheirOrderBeforeTheCapitalizedCharacter) {
    KeyboardLayoutScope layout(FakeKeyboardLayout::us());
    EXPECT_EQ(Shortcut(Key::s, controlShift).description(), QStringLiteral("Ctrl+Shift+S"));
    const ModifierFlags all = ModifierFlag::function | ModifierFlag::command | ModifierFlag::shift |
                              ModifierFlag::option | ModifierFlag::control;
    EXPECT_EQ(Shortcut(Key::seven, all).description(), QStringLiteral("Ctrl+Alt+Shift+Super+Fn+7"));
    EXPECT_EQ(Shortcut(Key::a).description(), QStringLiteral("A"));
}

TEST(ShortcutDescriptionTest, SpecialKeysShowTheirNamesWhateverTheLayout) {
    KeyboardLayoutScope layout(FakeKeyboardLayout::us());
    EXPECT_EQ(Shortcut(Key::space, ModifierFlag::option).description(),
              QStringLiteral("Alt+Space"));
    EXPECT_EQ(Shortcut(Key::returnKey, ModifierFlag::command).description(),
              QStringLiteral("Super+Return"));
    EXPECT_EQ(Shortcut(Key::deleteKey).description(), QStringLiteral("Backspace"));
    EXPECT_EQ(Shortcut(Key::deleteForward).description(), QStringLiteral("Delete"));
    EXPECT_EQ(Shortcut(Key::help).description(), QStringLiteral("Insert"));
    EXPECT_EQ(Shortcut(Key::f5).description(), QStringLiteral("F5"));
    EXPECT_EQ(Shortcut(Key::f20).description(), QStringLiteral("F20"));
    EXPECT_EQ(Shortcut(Key::keypad0).description(), QStringLiteral("Keypad 0"));
    EXPECT_EQ(Shortcut(Key::keypadPlus, ModifierFlag::control).description(),
              QStringLiteral("Ctrl+Keypad +"));
    EXPECT_EQ(Shortcut(Key::leftArrow, ModifierFlag::control).description(),
              QStringLiteral("Ctrl+Left"));
    EXPECT_EQ(Shortcut(Key::pageDown).description(), QStringLiteral("Page Down"));
}

TEST(ShortcutDescriptionTest, TheCharacterComesFromTheCurrentLayout) {
    // A German layout has Z where a US layout has Y.
    KeyboardLayoutScope layout(std::make_shared<FakeKeyboardLayout>(
        QHash<quint16, QString>{{quint16(Key::y.rawValue), QStringLiteral("z")},
                                {quint16(Key::semicolon.rawValue), QStringLiteral("ö")},
                                {quint16(Key::i.rawValue), QStringLiteral("ı")}}));
    EXPECT_EQ(Shortcut(Key::y, ModifierFlag::command).description(), QStringLiteral("Super+Z"));
    EXPECT_EQ(Shortcut(Key::semicolon).description(), QStringLiteral("Ö"));
    // A Turkish layout's dotless i is written as its capital, I.
    EXPECT_EQ(Shortcut(Key::i).description(), QStringLiteral("I"));
}

TEST(ShortcutDescriptionTest, AKeyWithoutOneCharacterShowsTheReplacementCharacter) {
    EXPECT_EQ(Shortcut(Key::s, ModifierFlag::command).description(), text(u"Super+\uFFFD"))
        << "no layout";
    KeyboardLayoutScope layout(std::make_shared<FakeKeyboardLayout>(
        QHash<quint16, QString>{{quint16(Key::a.rawValue), QStringLiteral("ab")},
                                {quint16(Key::e.rawValue), QStringLiteral("e\u0301")},
                                {quint16(70000 % 65536), QStringLiteral("x")}}));
    EXPECT_EQ(Shortcut(Key::a).description(), text(u"\uFFFD")) << "two characters";
    EXPECT_EQ(Shortcut(Key::e).description(), text(u"E\u0301")) << "one character, two scalars";
    EXPECT_EQ(Shortcut(Key::b).description(), text(u"\uFFFD")) << "nothing typed";
    EXPECT_EQ(Shortcut(70000, 0).description(), text(u"\uFFFD")) << "code beyond 16 bits";
    EXPECT_EQ(Shortcut(-1, 0).description(), text(u"\uFFFD"));
}

TEST(ShortcutMenuTest, KeyEquivalentCharacters) {
    KeyboardLayoutScope layout(FakeKeyboardLayout::us());
    EXPECT_EQ(Shortcut(Key::space).keyToCharacter(), QStringLiteral(" "));
    EXPECT_EQ(Shortcut(Key::f1).keyToCharacter(), text(u"\uF704"));
    EXPECT_EQ(Shortcut(Key::f20).keyToCharacter(), text(u"\uF717"));
    EXPECT_EQ(Shortcut(Key::tab).keyToCharacter(), text(u"\u21E5"));
    EXPECT_EQ(Shortcut(Key::keypad0).keyToCharacter(), std::nullopt);
    EXPECT_EQ(Shortcut(Key::s).keyToCharacter(), QStringLiteral("s"));
}

TEST(ShortcutMenuTest, AnUpperCaseKeyEquivalentStandsForTheKeyWithShift) {
    KeyboardLayoutScope layout(FakeKeyboardLayout::us());
    const Shortcut commandShiftS(Key::s, ModifierFlag::command | ModifierFlag::shift);
    const Shortcut commandS(Key::s, ModifierFlag::command);
    EXPECT_TRUE(commandShiftS.matchesKeyEquivalent("S", ModifierFlag::command));
    EXPECT_FALSE(commandS.matchesKeyEquivalent("S", ModifierFlag::command));
    EXPECT_TRUE(commandS.matchesKeyEquivalent("s", ModifierFlag::command));
    EXPECT_TRUE(
        commandShiftS.matchesKeyEquivalent("s", ModifierFlag::command | ModifierFlag::shift));
    EXPECT_FALSE(
        commandS.matchesKeyEquivalent("s", ModifierFlag::command | ModifierFlag::numericPad));
    EXPECT_FALSE(commandS.matchesKeyEquivalent("s", {}));
    EXPECT_FALSE(Shortcut(Key::keypad0).matchesKeyEquivalent("", {}))
        << "a keypad key has no key equivalent";
}

TEST(ShortcutSystemTest, ASystemShortcutIsComparedNormalisedAndF12AloneIsNeverTaken) {
    const QList<SystemShortcut> system{{Key::f12.rawValue, 0},
                                       {Key::f12.rawValue, CarbonModifier::command},
                                       {Key::space.rawValue, CarbonModifier::command | 0x400}};
    EXPECT_FALSE(Shortcut(Key::f12).isTakenBySystem(system));
    EXPECT_TRUE(Shortcut(Key::f12, ModifierFlag::command).isTakenBySystem(system));
    EXPECT_TRUE(Shortcut(Key::space, ModifierFlag::command).isTakenBySystem(system));
    EXPECT_FALSE(Shortcut(Key::space, ModifierFlag::control).isTakenBySystem(system));
    EXPECT_FALSE(Shortcut(Key::space, ModifierFlag::command).isTakenBySystem({}));
}
