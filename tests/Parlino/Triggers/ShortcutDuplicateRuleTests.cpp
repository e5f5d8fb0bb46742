#include "Parlino/Triggers/ShortcutDuplicateRule.h"

#include <gtest/gtest.h>

using namespace Parlino;
using ShortcutDuplicateRule::Binding;
using ShortcutDuplicateRule::conflictMessage;

namespace {

const ShortcutCombo controlShiftS{1, 4608};

TEST(ShortcutDuplicateRule, NamesTheFirstOtherShortcutUsingTheCombination) {
    const QList<Binding> bindings{
        {QStringLiteral("readSelection"), QStringLiteral("Read selection"), controlShiftS},
        {QStringLiteral("openPanel"), QStringLiteral("Open panel"), std::nullopt},
        {QStringLiteral("replayLast"), QStringLiteral("Replay last"), controlShiftS},
    };
    EXPECT_EQ(conflictMessage(controlShiftS, QStringLiteral("openPanel"), bindings),
              u"This combination is already used by “Read selection”."_qs);
    EXPECT_EQ(conflictMessage(controlShiftS, QStringLiteral("readSelection"), bindings),
              u"This combination is already used by “Replay last”."_qs);
}

TEST(ShortcutDuplicateRule, NoOtherShortcutWithTheSameCombinationGivesNoMessage) {
    const QList<Binding> bindings{
        {QStringLiteral("readSelection"), QStringLiteral("Read selection"), controlShiftS},
        {QStringLiteral("openPanel"), QStringLiteral("Open panel"), ShortcutCombo{1, 4352}},
        {QStringLiteral("replayLast"), QStringLiteral("Replay last"), std::nullopt},
    };
    EXPECT_EQ(conflictMessage(controlShiftS, QStringLiteral("readSelection"), bindings),
              std::nullopt);
    EXPECT_EQ(conflictMessage(ShortcutCombo{2, 4608}, QStringLiteral("replayLast"), bindings),
              std::nullopt);
    EXPECT_EQ(conflictMessage(controlShiftS, QStringLiteral("openPanel"), {}), std::nullopt);
}

} // namespace
