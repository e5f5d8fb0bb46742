#include "Parlino/Clips/ClipDateLabel.h"

#include "Parlino/Storage/StorageTesting.h"

#include <gtest/gtest.h>

namespace {

using Parlino::clipDateLabel;
using StorageTesting::utc;

const QLocale english(QLocale::English, QLocale::UnitedStates);
const Base::Date now = utc(2026, 12, 7, 15, 0, 0);

// The locale's own short time, so the tests do not depend on the spaces its data puts
// before AM and PM.
QString shortTime(int hour, int minute, const QLocale& locale = english) {
    return locale.toString(QTime(hour, minute), QLocale::ShortFormat);
}

TEST(ClipDateLabelTest, NamesTodayAndYesterdayWithTheShortTime) {
    EXPECT_EQ(clipDateLabel(utc(2026, 12, 7, 9, 5, 0), now, english, QTimeZone::utc()),
              QStringLiteral("Today ") + shortTime(9, 5));
    EXPECT_EQ(clipDateLabel(utc(2026, 12, 7, 0, 0, 0), now, english, QTimeZone::utc()),
              QStringLiteral("Today ") + shortTime(0, 0));
    EXPECT_EQ(clipDateLabel(utc(2026, 12, 6, 23, 59, 0), now, english, QTimeZone::utc()),
              QStringLiteral("Yesterday ") + shortTime(23, 59));
    EXPECT_TRUE(shortTime(23, 59).startsWith(QStringLiteral("11:59")));
}

TEST(ClipDateLabelTest, OlderDaysShowTheMonthAndDayAndTheYearOnlyForEarlierYears) {
    EXPECT_EQ(clipDateLabel(utc(2026, 12, 4, 8, 30, 0), now, english, QTimeZone::utc()),
              QStringLiteral("Dec 4 ") + shortTime(8, 30));
    EXPECT_EQ(clipDateLabel(utc(2026, 1, 1, 8, 30, 0), now, english, QTimeZone::utc()),
              QStringLiteral("Jan 1 ") + shortTime(8, 30));
    EXPECT_EQ(clipDateLabel(utc(2025, 12, 31, 8, 30, 0), now, english, QTimeZone::utc()),
              QStringLiteral("Dec 31, 2025 ") + shortTime(8, 30));
}

TEST(ClipDateLabelTest, AnArabicLocaleKeepsItsWordsAndWritesTheDigitsAsTheDurationsDo) {
    const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
    ASSERT_NE(arabic.zeroDigit(), QStringLiteral("0")) << "the locale writes its own digits";
    const QString label = clipDateLabel(utc(2025, 12, 31, 8, 30, 0), now, arabic, QTimeZone::utc());
    EXPECT_TRUE(label.contains(QStringLiteral("31"))) << label.toStdString();
    EXPECT_TRUE(label.contains(QStringLiteral("2025"))) << label.toStdString();
    EXPECT_TRUE(label.contains(QStringLiteral("8:30"))) << label.toStdString();
    for (const QChar character : label)
        EXPECT_FALSE(character.isDigit() && character.unicode() > 0x7f) << label.toStdString();
}

TEST(ClipDateLabelTest, DaysAreCountedInTheGivenTimeZone) {
    // 02:00 UTC on the 7th is still the 6th in New York; 15:00 UTC is 10:00 there.
    const QTimeZone newYork("America/New_York");
    ASSERT_TRUE(newYork.isValid());
    const Base::Date early = utc(2026, 12, 7, 2, 0, 0);
    EXPECT_EQ(clipDateLabel(early, now, english, QTimeZone::utc()),
              QStringLiteral("Today ") + shortTime(2, 0));
    EXPECT_EQ(clipDateLabel(early, now, english, newYork),
              QStringLiteral("Yesterday ") + shortTime(21, 0));
}

TEST(ClipDateLabelTest, TheMonthAndDayFollowTheLocalesOrder) {
    const QLocale british(QLocale::English, QLocale::UnitedKingdom);
    EXPECT_EQ(clipDateLabel(utc(2026, 12, 4, 8, 30, 0), now, british, QTimeZone::utc()),
              QStringLiteral("4 Dec ") + shortTime(8, 30, british));
    const QLocale german(QLocale::German, QLocale::Germany);
    const QString label = clipDateLabel(utc(2026, 3, 4, 8, 30, 0), now, german, QTimeZone::utc());
    EXPECT_TRUE(label.startsWith(QStringLiteral("4. M"))) << label.toStdString();
    EXPECT_TRUE(label.endsWith(QStringLiteral(" 08:30"))) << label.toStdString();
}

} // namespace
