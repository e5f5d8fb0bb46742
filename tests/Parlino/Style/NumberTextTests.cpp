#include "Parlino/Style/NumberText.h"

#include <gtest/gtest.h>

using namespace Parlino;

TEST(NumberText, WritesEveryScriptsDigitsAndArabicSeparatorsInLatin) {
    // Arabic-Indic with its own separators, extended Arabic-Indic (Persian), Devanagari.
    EXPECT_EQ(NumberText::latinDigits(QStringLiteral("١٠٠٬٠٠٠ and ٣٫٥")),
              QStringLiteral("100,000 and 3.5"));
    EXPECT_EQ(NumberText::latinDigits(QStringLiteral("۱۲۳ / १२३")), QStringLiteral("123 / 123"));
    // Other numbers (fractions, superscripts) and letters stay as they are.
    EXPECT_EQ(NumberText::latinDigits(QStringLiteral("½ x² ديسمبر")),
              QStringLiteral("½ x² ديسمبر"));

    EXPECT_EQ(NumberText::grouped(100000, QLocale(QLocale::Arabic, QLocale::Egypt)),
              QStringLiteral("100,000"));
    EXPECT_EQ(NumberText::grouped(12345, QLocale(QLocale::German, QLocale::Germany)),
              QStringLiteral("12.345"));
}
