#include "KeyboardShortcuts/ConflictPolicy.h"
#include "KeyboardShortcuts/LocalizedStrings.h"
#include "KeyboardShortcuts/Utilities.h"

#include "support/Printers.h"

#include <gtest/gtest.h>

using namespace KeyboardShortcuts;

TEST(ConflictPolicyTest, TheStandardPolicyBlocksMenuItemsWarnsOfSystemShortcutsBlocksTheRest) {
    const auto policy = ConflictPolicy::standard();
    EXPECT_EQ(policy.resolution(Conflict::menuItem), ConflictResolution::refuse);
    EXPECT_EQ(policy.resolution(Conflict::systemShortcut), ConflictResolution::askToForce);
    EXPECT_EQ(policy.resolution(Conflict::disallowed), ConflictResolution::refuse);
    EXPECT_EQ(ConflictPolicy{}, policy);
}

TEST(ConflictPolicyTest, AllowAllTakesEveryKindAndADisallowedShortcutCannotBeForced) {
    for (auto conflict : {Conflict::menuItem, Conflict::systemShortcut, Conflict::disallowed})
        EXPECT_EQ(ConflictPolicy::allowAll().resolution(conflict), ConflictResolution::take);

    const ConflictPolicy warnEverywhere{ConflictBehavior::warn, ConflictBehavior::warn,
                                        ConflictBehavior::warn};
    EXPECT_EQ(warnEverywhere.resolution(Conflict::menuItem), ConflictResolution::askToForce);
    EXPECT_EQ(warnEverywhere.resolution(Conflict::disallowed), ConflictResolution::refuse);
}

TEST(ConflictPolicyTest, PoliciesWithTheSameBehavioursAreEqualAndHashAlike) {
    const ConflictPolicy a{ConflictBehavior::allow, ConflictBehavior::block,
                           ConflictBehavior::warn};
    const ConflictPolicy b{ConflictBehavior::allow, ConflictBehavior::block,
                           ConflictBehavior::warn};
    const ConflictPolicy swapped{ConflictBehavior::block, ConflictBehavior::allow,
                                 ConflictBehavior::warn};
    EXPECT_EQ(a, b);
    EXPECT_EQ(qHash(a, 7), qHash(b, 7));
    EXPECT_NE(a, swapped);
}

TEST(LocalizedStringsTest, EveryKeyHasATextAndAMissingKeyGivesItself) {
    for (const char* key :
         {"record_shortcut", "press_shortcut", "keyboard_shortcut_used_by_menu_item",
          "keyboard_shortcut_used_by_system", "keyboard_shortcuts_can_be_changed",
          "keyboard_shortcut_disallowed", "ok", "force_use_shortcut", "space_key"})
        EXPECT_NE(localized(QString::fromUtf8(key)), QString::fromUtf8(key));
    EXPECT_EQ(localized(QStringLiteral("no_such_key")), QStringLiteral("no_such_key"));
    const QString menuItem = localized(QStringLiteral("keyboard_shortcut_used_by_menu_item"));
    EXPECT_TRUE(menuItem.arg(QStringLiteral("Quit")).contains(QStringLiteral("Quit")));
}

TEST(UtilitiesTest, ACodePointGivesItsCharacterUnlessItIsNoScalar) {
    EXPECT_EQ(characterFromCodePoint(0x41), QStringLiteral("A"));
    EXPECT_EQ(characterFromCodePoint(0x1F310), QString::fromUtf16(u"\U0001F310"));
    EXPECT_EQ(characterFromCodePoint(0xD800), std::nullopt);
    EXPECT_EQ(characterFromCodePoint(0xDFFF), std::nullopt);
    EXPECT_EQ(characterFromCodePoint(0x110000), std::nullopt);
    EXPECT_EQ(characterFromCodePoint(0x100000041), std::nullopt);
}

TEST(UtilitiesTest, TheRecorderStatusIsTrueOnlyForATrueBoolean) {
    const auto status = [](QVariantMap userInfo) {
        return recorderIsActive({recorderActiveStatusDidChange, std::move(userInfo)});
    };
    EXPECT_TRUE(status({{QStringLiteral("isActive"), true}}));
    EXPECT_FALSE(status({{QStringLiteral("isActive"), false}}));
    EXPECT_FALSE(status({}));
    EXPECT_FALSE(status({{QStringLiteral("isActive"), 1}}));
    EXPECT_FALSE(status({{QStringLiteral("isActive"), QStringLiteral("true")}}));
}

TEST(UtilitiesTest, OnlyF1ToF20AreFunctionKeys) {
    EXPECT_TRUE(isFunctionKey(Key::f1));
    EXPECT_TRUE(isFunctionKey(Key::f20));
    EXPECT_FALSE(isFunctionKey(Key::escape));
    EXPECT_FALSE(isFunctionKey(Key::keypad1));
    EXPECT_FALSE(isFunctionKey(Key::a));
}
