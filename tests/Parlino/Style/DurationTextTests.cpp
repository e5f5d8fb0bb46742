#include "Parlino/Style/DurationText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

using Parlino::formatMinutesSeconds;

TEST(DurationText, RoundsHalvesAwayFromZeroAndCarriesIntoMinutes) {
    const std::pair<double, const char*> cases[] = {
        {0, "0:00"},     {0.4, "0:00"},  {0.5, "0:01"},  {59.4, "0:59"}, {59.5, "1:00"},
        {60, "1:00"},    {61, "1:01"},   {65.4, "1:05"}, {600, "10:00"}, {3600, "60:00"},
        {3725, "62:05"}, {-0.4, "0:00"}, {-0.5, "0:00"}, {-90, "0:00"},  {1e6, "16666:40"},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(formatMinutesSeconds(seconds), QString::fromLatin1(text)) << seconds;
}

TEST(DurationText, NonFiniteAndHugeInputsGiveATextWithoutOverflow) {
    EXPECT_EQ(formatMinutesSeconds(std::nan("")), QStringLiteral("0:00"));
    EXPECT_EQ(formatMinutesSeconds(-std::numeric_limits<double>::infinity()),
              QStringLiteral("0:00"));
    // Every value from 2^63 up is capped to the largest whole count below it.
    const QString capped = formatMinutesSeconds(std::numeric_limits<double>::infinity());
    EXPECT_EQ(formatMinutesSeconds(1e300), capped);
    EXPECT_EQ(formatMinutesSeconds(0x1p63), capped);
    const qint64 largest = qint64(std::nextafter(0x1p63, 0.0));
    EXPECT_EQ(capped,
              QStringLiteral("%1:%2").arg(largest / 60).arg(largest % 60, 2, 10, QLatin1Char('0')));
}
