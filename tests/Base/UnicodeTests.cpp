#include "Base/Unicode.h"

#include <gtest/gtest.h>

using namespace Base::Unicode;

TEST(UnicodeScalars, PairsSurrogatesAndKeepsLoneOnes) {
    const QString text =
        QStringLiteral("a") + QString::fromUcs4(U"😀") + QChar(0xD800) + QStringLiteral("b");
    QList<char32_t> values;
    QList<qsizetype> offsets;
    for (const Scalar s : Scalars(text)) {
        values.append(s.value);
        offsets.append(s.offset);
    }
    EXPECT_EQ(values, QList<char32_t>({U'a', U'😀', 0xD800, U'b'}));
    EXPECT_EQ(offsets, QList<qsizetype>({0, 1, 3, 4}));
}

TEST(UnicodeProperties, WhiteSpaceAndControl) {
    for (char32_t c : {0x09, 0x0B, 0x0C, 0x20, 0x85, 0xA0, 0x1680, 0x2000, 0x200A, 0x2028, 0x2029,
                       0x202F, 0x205F, 0x3000})
        EXPECT_TRUE(isWhiteSpace(c)) << std::hex << unsigned(c);
    for (char32_t c : {0x200B, 0x41, 0xFEFF})
        EXPECT_FALSE(isWhiteSpace(c)) << std::hex << unsigned(c);
    EXPECT_TRUE(isControl(0x07));
    EXPECT_TRUE(isControl(0x85));
    EXPECT_FALSE(isControl(0x200B));
}

TEST(UnicodeProperties, SpokenAreLettersDigitsPunctuationSymbolsAndWhatIsNotKnownYet) {
    for (char32_t c : {U'a', U'\u00E9', U'\u05E9', U'\u6771', U'7', U'\u0663', U'.', U'-',
                       U'\u20AC', U'\U0001F600', U'\U0003FFFD'})
        EXPECT_TRUE(isSpoken(c)) << std::hex << unsigned(c);
    // White space, controls, format characters and other default-ignorable code points, marks,
    // private use, surrogates, noncharacters.
    for (char32_t c :
         {U' ',      U'\u3000', U'\u0007', U'\u0085', U'\u202E',        U'\u2066', U'\u200E',
          U'\u2060', U'\u00AD', U'\uFEFF', U'\u200B', U'\U000E0041',    U'\u2065', U'\uFE0F',
          U'\u034F', U'\u3164', U'\u0301', U'\uE000', char32_t(0xD800), U'\uFFFF', U'\U0010FFFE'})
        EXPECT_FALSE(isSpoken(c)) << std::hex << unsigned(c);
}

TEST(UnicodeProperties, TrimsSpacesAndTabsButKeepsLineBreaks) {
    EXPECT_EQ(trimmingHorizontalSpace(u"\t\u00A0 a b\u3000\u2009"), u"a b");
    EXPECT_EQ(trimmingHorizontalSpace(u"\na\r\n "), u"\na\r\n");
    EXPECT_EQ(trimmingHorizontalSpace(u"\u2028x\u2029"), u"\u2028x\u2029");
    EXPECT_EQ(trimmingHorizontalSpace(u" \t "), u"");
    EXPECT_EQ(trimmingHorizontalSpace(u"\U0001F600 "), u"\U0001F600");
}

TEST(UnicodeGraphemes, CountsUserPerceivedCharacters) {
    const QString family = QString::fromUcs4(U"👨‍👩‍👧");
    const QString flag = QString::fromUcs4(U"🇫🇷");
    const QString text = QStringLiteral("e\u0301") + family + flag + QStringLiteral("x");
    EXPECT_EQ(graphemeCount(text), 4);
    EXPECT_EQ(graphemeCount(QString()), 0);
    EXPECT_EQ(graphemeCount(QStringLiteral("ÿ\r\n\n\r\u00ad.")), 6) << "CR LF is one";
    EXPECT_EQ(graphemeCount(QStringLiteral("\r\ne\u0301")), 2);
    EXPECT_EQ(graphemePrefixLength(text, 2), 2 + family.size());
    EXPECT_EQ(graphemePrefixLength(text, 99), text.size());
    EXPECT_EQ(graphemePrefixLength(text, 0), 0);
}

TEST(UnicodeGraphemes, FindsBoundariesAroundAnyPlace) {
    // "a", CR LF, "e" + acute, a thumbs-up with a skin tone (two surrogate pairs), "b".
    const QString text = QStringLiteral("a\r\ne\u0301") +
                         QString::fromUcs4(U"\U0001F44D\U0001F3FD") + QStringLiteral("b");
    const Base::Unicode::GraphemeBoundaries clusters(text);
    QList<qsizetype> boundaries;
    for (qsizetype at = 0; at <= text.size(); ++at)
        if (clusters.isBoundary(at))
            boundaries.append(at);
    EXPECT_EQ(boundaries, (QList<qsizetype>{0, 1, 3, 5, 9, 10}));
    EXPECT_EQ(clusters.atOrBefore(2), 1) << "inside CR LF";
    EXPECT_EQ(clusters.atOrBefore(6), 5) << "inside a surrogate pair";
    EXPECT_EQ(clusters.atOrBefore(8), 5) << "inside the skin tone's pair";
    EXPECT_EQ(clusters.atOrBefore(9), 9);
    EXPECT_EQ(clusters.after(5), 9);
    EXPECT_EQ(clusters.after(9), 10);
    EXPECT_EQ(clusters.after(10), 10);
}

TEST(UnicodeSentences, KeepsTitlesWithTheirNamesAndCoversTheText) {
    const QString text = QStringLiteral("Mr. Smith went home. Then he slept!  Was it late?");
    const auto ranges = sentenceRanges(text);
    ASSERT_EQ(ranges.size(), 3);
    EXPECT_EQ(text.sliced(ranges[0].start, ranges[0].end - ranges[0].start),
              QStringLiteral("Mr. Smith went home. "));
    EXPECT_EQ(ranges[1].start, ranges[0].end);
    EXPECT_EQ(ranges[2].end, text.size());
    EXPECT_TRUE(sentenceRanges(QString()).isEmpty());
}

TEST(UnicodeDirection, TakesAParagraphsDirectionFromItsFirstStrongCharacterOutsideIsolates) {
    using Base::Unicode::readsRightToLeft;
    EXPECT_TRUE(readsRightToLeft(u"«12» שלום world"));
    EXPECT_FALSE(readsRightToLeft(u"world שלום"));
    EXPECT_FALSE(readsRightToLeft(u"123 ...")) << "no strong character: left to right";
    EXPECT_FALSE(readsRightToLeft(u""));
    // What an isolate holds does not count, even when it is never closed.
    EXPECT_TRUE(readsRightToLeft(u"\u2066abc\u2069 مرحبا"));
    EXPECT_FALSE(readsRightToLeft(u"\u2067مرحبا"));
    EXPECT_TRUE(Base::Unicode::holdsRightToLeft(u"abc مرحبا"));
    EXPECT_FALSE(Base::Unicode::holdsRightToLeft(u"abc ١٢٣ 今日")) << "Arabic digits alone";
    // Levels and the order they give: an English pair inside Arabic keeps its own order.
    const QString line = QStringLiteral("قال hi yo لي");
    const QList<quint8> levels = Base::Unicode::bidiLevels(line, true);
    EXPECT_EQ(levels[0], 1);
    EXPECT_EQ(levels[4], 2);
    EXPECT_EQ(Base::Unicode::visualOrder({1, 2, 2, 1}), (QList<qsizetype>{3, 1, 2, 0}));
}
