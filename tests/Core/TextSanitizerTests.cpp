#include "Core/TextSanitizer.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

using Core::TextSanitizer::sanitize;

TEST(TextSanitizer, FoldsWhiteSpaceRunsIntoSpacesAndLineBreaks) {
    EXPECT_EQ(sanitize(QStringLiteral("  Hello \r\n\r\n\r\n  world\t\tagain  ")),
              QStringLiteral("Hello\n\nworld again"));
    EXPECT_EQ(sanitize(QStringLiteral("a \n b")), QStringLiteral("a\nb"));
    EXPECT_EQ(sanitize(QStringLiteral("a\r\rb")), QStringLiteral("a\n\nb"));
    EXPECT_EQ(sanitize(QStringLiteral("a\r\n\r\nb")), QStringLiteral("a\n\nb"));
    EXPECT_EQ(sanitize(QStringLiteral("a\rb")), QStringLiteral("a\nb"));
    EXPECT_EQ(sanitize(QStringLiteral("a\u2028b")), QStringLiteral("a b"))
        << "only CR and LF are line breaks";
}

TEST(TextSanitizer, EmptiesBlankTexts) {
    EXPECT_EQ(sanitize(QStringLiteral(" \t\r\n \n\u00a0\u3000")), QString());
    EXPECT_EQ(sanitize(QString()), QString());
}

TEST(TextSanitizer, DropsControlsAndZeroWidthSpacesButKeepsOtherFormatCharacters) {
    EXPECT_EQ(sanitize(QStringLiteral("a\u200Bb")), QStringLiteral("ab"));
    EXPECT_EQ(sanitize(QStringLiteral("a\u0007b")), QStringLiteral("ab"));
    EXPECT_EQ(sanitize(QStringLiteral("a\u00A0b")), QStringLiteral("a b"));
    EXPECT_EQ(sanitize(QStringLiteral("a\u001Fb")), QStringLiteral("ab"));
    EXPECT_EQ(sanitize(QStringLiteral("a\u200Db\uFEFF")), QStringLiteral("a\u200Db\uFEFF"));
    EXPECT_EQ(sanitize(QStringLiteral("a \u0007 b")), QStringLiteral("a b"))
        << "a dropped control keeps the pending space";
}

TEST(TextSanitizer, KeepsSurrogatePairsWhole) {
    const QString emoji = QString::fromUcs4(U"😀");
    EXPECT_EQ(sanitize(QStringLiteral("  ") + emoji + QStringLiteral("  x ")),
              emoji + QStringLiteral(" x"));
}
