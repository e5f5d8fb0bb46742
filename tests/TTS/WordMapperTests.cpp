#include "TTS/WordMapper.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

using Core::WordTiming;
using TTS::WordMapper::words;

namespace {

// One entry per string, each 0.1 s long, back to back from 0.
QList<WordTiming> mapEvenly(const QStringList& characters) {
    QList<double> starts;
    QList<double> ends;
    for (qsizetype i = 0; i < characters.size(); ++i) {
        starts.append(0.1 * double(i));
        ends.append(0.1 * double(i + 1));
    }
    return words(characters, starts, ends);
}

QStringList split(const QString& text) {
    QStringList out;
    for (const QChar c : text)
        out.append(QString(c));
    return out;
}

QStringList texts(const QList<WordTiming>& words) {
    QStringList out;
    for (const auto& w : words)
        out.append(w.word);
    return out;
}

} // namespace

TEST(WordMapper, GroupsLettersAndAttachedPunctuationIntoWords) {
    const QStringList chars = split(QStringLiteral("Hi there!"));
    const QList<double> starts{0.0, 0.1, 0.2, 0.25, 0.3, 0.35, 0.4, 0.45, 0.5};
    const QList<double> ends{0.1, 0.2, 0.25, 0.3, 0.35, 0.4, 0.45, 0.5, 0.6};
    const auto result = words(chars, starts, ends);
    ASSERT_EQ(result.size(), 2);
    EXPECT_EQ(result[0], (WordTiming{QStringLiteral("Hi"), {0, 2}, 0.0, 0.2}));
    EXPECT_EQ(result[1], (WordTiming{QStringLiteral("there!"), {3, 9}, 0.25, 0.6}));
}

TEST(WordMapper, SurroundingWhiteSpaceOnlyAdvancesThePosition) {
    const auto result = mapEvenly(split(QStringLiteral("  ab , ")));
    ASSERT_EQ(result.size(), 2);
    EXPECT_EQ(result[0].range, (WordTiming::Range{2, 4}));
    EXPECT_EQ(result[1], (WordTiming{QStringLiteral(","), {5, 6}, 0.1 * 5, 0.1 * 6}));
}

TEST(WordMapper, EachIdeographOrKanaIsAWord) {
    const auto kanji = mapEvenly(split(QStringLiteral("漢字語")));
    ASSERT_EQ(kanji.size(), 3);
    for (qsizetype i = 0; i < 3; ++i) {
        EXPECT_EQ(kanji[i].range, (WordTiming::Range{i, i + 1}));
        EXPECT_DOUBLE_EQ(kanji[i].start, 0.1 * double(i));
    }
    EXPECT_EQ(texts(mapEvenly(split(QStringLiteral("ab漢c")))),
              QStringList({QStringLiteral("ab"), QStringLiteral("漢"), QStringLiteral("c")}));
    EXPECT_EQ(texts(mapEvenly(split(QStringLiteral("한국、")))),
              QStringList({QStringLiteral("한국、")}))
        << "Hangul and CJK punctuation join words like letters";
}

TEST(WordMapper, EmptyEntriesSplitWordsWithoutAdvancing) {
    const auto result = mapEvenly({QStringLiteral("a"), QString(), QStringLiteral("b")});
    ASSERT_EQ(result.size(), 2);
    EXPECT_EQ(result[0].range, (WordTiming::Range{0, 1}));
    EXPECT_EQ(result[1].range, (WordTiming::Range{1, 2}));
}

TEST(WordMapper, SupplementaryCharactersCountTwo) {
    const QString emoji = QString::fromUcs4(U"😀");
    const auto result = mapEvenly({emoji, QStringLiteral(" "), QStringLiteral("x")});
    ASSERT_EQ(result.size(), 2);
    EXPECT_EQ(result[0].range, (WordTiming::Range{0, 2}));
    EXPECT_EQ(result[1].range, (WordTiming::Range{3, 4}));
}

TEST(WordMapper, MixedEntriesAreSplitIntoScalarsSharingTheirTimes) {
    const auto result = words({QStringLiteral("a b")}, {1.0}, {2.0});
    ASSERT_EQ(result.size(), 2);
    EXPECT_EQ(result[0], (WordTiming{QStringLiteral("a"), {0, 1}, 1.0, 2.0}));
    EXPECT_EQ(result[1], (WordTiming{QStringLiteral("b"), {2, 3}, 1.0, 2.0}));
}

TEST(WordMapper, UnequalArraysGiveNoWords) {
    EXPECT_TRUE(words(split(QStringLiteral("abc")), {0, 1, 2}, {1, 2}).isEmpty());
    EXPECT_TRUE(words({}, {}, {}).isEmpty());
}

TEST(WordMapper, SplitsTextWrittenWithoutSpacesIntoItsDictionaryWords) {
    const QString thai = QStringLiteral("ภาษาไทยง่าย, ok");
    const QList<WordTiming> mapped = mapEvenly(split(thai));
    ASSERT_GE(mapped.size(), 4);
    EXPECT_EQ(mapped.first().word, QStringLiteral("ภาษา"));
    EXPECT_EQ(mapped.last().word, QStringLiteral("ok")) << "other scripts as before";
    // The parts cover the run without gaps, each timed from its own characters, and the comma
    // stays with the word before it as with any other script.
    QString joined;
    for (qsizetype i = 0; i + 1 < mapped.size(); ++i) {
        const WordTiming& w = mapped[i];
        joined += w.word;
        EXPECT_EQ(w.word, thai.mid(w.range.lower, w.range.upper - w.range.lower));
        EXPECT_NEAR(w.start, 0.1 * double(w.range.lower), 1e-9);
        EXPECT_NEAR(w.end, 0.1 * double(w.range.upper), 1e-9);
        if (i > 0) {
            EXPECT_EQ(w.range.lower, mapped[i - 1].range.upper);
        }
    }
    EXPECT_EQ(joined, QStringLiteral("ภาษาไทยง่าย,"));
}

TEST(WordMapper, FindsTheWordsOfAPlainTextAsAnAlignmentOfItWould) {
    for (const QString& text : {QStringLiteral(" Hi there! 今日は ภาษาไทย 😀a"), QString()}) {
        const QList<WordTiming> fromText = TTS::WordMapper::words(text);
        const QList<WordTiming> aligned = mapEvenly(split(text));
        EXPECT_EQ(texts(fromText), texts(aligned));
        for (qsizetype i = 0; i < std::min(fromText.size(), aligned.size()); ++i)
            EXPECT_EQ(fromText[i].range, aligned[i].range) << i;
    }
}
