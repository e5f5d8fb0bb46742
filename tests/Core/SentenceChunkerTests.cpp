#include "Core/SentenceChunker.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace Core;
using Base::Unicode::TextRange;

namespace {

// As the application chunks: small chunks, none longer than the service takes.
constexpr qsizetype maxLength = 800;
constexpr qsizetype limit = 2000;

QString joined(const QList<Chunk>& chunks) {
    QString out;
    for (const auto& c : chunks)
        out += c.text;
    return out;
}

void expectContiguous(const QList<Chunk>& chunks) {
    qsizetype offset = 0;
    for (const auto& c : chunks) {
        EXPECT_FALSE(c.text.isEmpty());
        EXPECT_EQ(c.utf16Offset, offset);
        offset += c.text.size();
    }
}

} // namespace

TEST(SentenceChunker, EmptyTextHasNoChunks) {
    EXPECT_TRUE(SentenceChunker::chunk(QString(), maxLength, limit).isEmpty());
}

TEST(SentenceChunker, PacksSegmentsUpToTheLimitInclusive) {
    const QString text = QStringLiteral("0123456789abcdef"); // 16 code units
    const auto chunks = SentenceChunker::pack(text, {{0, 5}, {5, 10}, {10, 16}}, 10, limit);
    ASSERT_EQ(chunks.size(), 2);
    EXPECT_EQ(chunks[0], (Chunk{QStringLiteral("0123456789"), 0}));
    EXPECT_EQ(chunks[1], (Chunk{QStringLiteral("abcdef"), 10}));
}

TEST(SentenceChunker, LeadingTextJoinsTheFirstSegment) {
    const QString text = QStringLiteral("  ab. cd.");
    const auto chunks = SentenceChunker::pack(text, {{2, 6}, {6, 9}}, 4, limit);
    ASSERT_EQ(chunks.size(), 2);
    EXPECT_EQ(chunks[0].text, QStringLiteral("  ab. "));
    EXPECT_EQ(chunks[1], (Chunk{QStringLiteral("cd."), 6}));
}

TEST(SentenceChunker, WholeTextIsOneSegmentWithoutSentences) {
    const auto chunks = SentenceChunker::pack(QStringLiteral("abc"), {}, 1, limit);
    ASSERT_EQ(chunks.size(), 1);
    EXPECT_EQ(chunks[0], (Chunk{QStringLiteral("abc"), 0}));
}

TEST(SentenceChunker, ASentenceLongerThanAChunkButWithinTheLimitIsAChunkOfItsOwn) {
    const QString longSentence =
        QLatin1Char('L') + QString(1498, QLatin1Char('a')) + QLatin1Char('.');
    const QString text =
        QStringLiteral("Short one. ") + longSentence + QStringLiteral(" Short two.");
    const auto chunks = SentenceChunker::chunk(text, maxLength, limit);
    ASSERT_EQ(chunks.size(), 3);
    EXPECT_EQ(chunks[0].text, QStringLiteral("Short one. "));
    EXPECT_EQ(chunks[1].text, longSentence + QLatin1Char(' '));
    EXPECT_EQ(chunks[2].text, QStringLiteral("Short two."));
    expectContiguous(chunks);
}

TEST(SentenceChunker, MeasuresInUtf16CodeUnits) {
    const QString emoji = QString::fromUcs4(U"😀");
    const QString sentence = emoji + emoji + QStringLiteral(". "); // 6 code units
    const QString text = sentence + sentence + sentence;
    const auto chunks = SentenceChunker::chunk(text, 12, limit);
    ASSERT_EQ(chunks.size(), 2);
    EXPECT_EQ(chunks[0].text, sentence + sentence);
    EXPECT_EQ(chunks[1].utf16Offset, 12);
}

TEST(SentenceChunker, ChunksReassembleAnyText) {
    const QStringList texts = {
        QStringLiteral("One. Two! Three? Four."),
        QStringLiteral("Mr. Smith met Dr. Jones at 3 p.m. yesterday. They talked."),
        QStringLiteral("没有句号的中文文本。第二句！第三句？") +
            QString::fromUcs4(U"😀👨‍👩‍👧 end"),
        QStringLiteral("\n\nLeading breaks.\n\nTrailing   "),
        QString(3000, QLatin1Char('x')),
    };
    for (const QString& text : texts) {
        for (qsizetype max : {1, 7, 40, 800}) {
            const auto chunks = SentenceChunker::chunk(text, max, 2 * max);
            EXPECT_EQ(joined(chunks), text);
            expectContiguous(chunks);
            for (const auto& c : chunks)
                EXPECT_LE(c.text.size(), 2 * max);
        }
    }
}

// MARK: Sentences longer than one request may be

namespace {

// Words of one to twelve letters, without a full stop, `length` code units in all.
QString wordsWithoutAFullStop(qsizetype length) {
    QString text = QStringLiteral("Words ");
    for (int word = 0; text.size() < length; ++word)
        text += QString(1 + word % 12, QChar(u'a' + word % 26)) + QLatin1Char(' ');
    text.truncate(length);
    return text;
}

void expectCutBetweenGraphemeClusters(const QString& text, const QList<Chunk>& chunks) {
    const Base::Unicode::GraphemeBoundaries clusters(text);
    for (const auto& c : chunks)
        EXPECT_TRUE(clusters.isBoundary(c.utf16Offset)) << c.utf16Offset;
}

} // namespace

TEST(SentenceChunker, ASentenceLongerThanTheLimitIsCutAfterTheSpacesBetweenItsWords) {
    const QString sentence = wordsWithoutAFullStop(20000) + QStringLiteral("end. ");
    const QString text = QStringLiteral("Short one. ") + sentence + QStringLiteral("Short two.");
    const auto chunks = SentenceChunker::chunk(text, maxLength, limit);

    EXPECT_EQ(joined(chunks), text);
    expectContiguous(chunks);
    ASSERT_GE(chunks.size(), 27);
    EXPECT_EQ(chunks.first().text, QStringLiteral("Short one. "));
    EXPECT_EQ(chunks.last().text, QStringLiteral("Short two."));
    for (qsizetype i = 1; i + 1 < chunks.size(); ++i) {
        const Chunk& c = chunks[i];
        EXPECT_LE(c.text.size(), maxLength);
        EXPECT_NE(c.text.front(), u' ');
        EXPECT_EQ(text[c.utf16Offset - 1], u' ') << "a word cut at " << c.utf16Offset;
        // Full but for the word that did not fit, up to the sentence's end.
        if (i + 2 < chunks.size()) {
            EXPECT_GT(c.text.size(), maxLength - 13);
        }
    }
}

TEST(SentenceChunker, AWordWithinTheLimitStaysWholeInACutSentence) {
    const QString word = QString(1500, u'w');
    const QString text = wordsWithoutAFullStop(1000) + QLatin1Char(' ') + word + QLatin1Char(' ') +
                         wordsWithoutAFullStop(1000);
    const auto chunks = SentenceChunker::chunk(text, maxLength, limit);

    EXPECT_EQ(joined(chunks), text);
    EXPECT_TRUE(std::any_of(chunks.cbegin(), chunks.cend(),
                            [&](const Chunk& c) { return c.text == word + QLatin1Char(' '); }));
    for (const auto& c : chunks)
        EXPECT_TRUE(c.text.size() <= maxLength || c.text.size() == word.size() + 1);
}

// Letters under accents, emoji of one and of several code points: a word cut where no cluster is
// split, in pieces as long as a chunk may be.
TEST(SentenceChunker, AWordLongerThanTheLimitIsCutBetweenItsGraphemeClusters) {
    const QString clusters = QStringLiteral("e\u0301") + QString::fromUcs4(U"😀") +
                             QStringLiteral("x") + QString::fromUcs4(U"👨‍👩‍👧") +
                             QStringLiteral("a\u0308\u0327");
    QString word;
    while (word.size() < 10000)
        word += clusters;
    const QString text = QStringLiteral("Before it ") + word + QStringLiteral(" after it.");
    const auto chunks = SentenceChunker::chunk(text, maxLength, limit);

    EXPECT_EQ(joined(chunks), text);
    expectContiguous(chunks);
    expectCutBetweenGraphemeClusters(text, chunks);
    ASSERT_GE(chunks.size(), 13);
    EXPECT_EQ(chunks.first().text, QStringLiteral("Before it "));
    for (const auto& c : chunks)
        EXPECT_LE(c.text.size(), maxLength);
    // Full but for the cluster that did not fit, up to the word's end.
    for (qsizetype i = 1; i + 2 < chunks.size(); ++i)
        EXPECT_GT(chunks[i].text.size(), maxLength - 8);
}

// Thousands of combining marks on one letter are one cluster, which no request may hold: it is
// cut between code points, never between the halves of one.
TEST(SentenceChunker, AGraphemeClusterLongerThanTheLimitIsCutBetweenItsCodePoints) {
    const QString stem = QString::fromUcs4(U"\U0001D165"); // a combining mark of two code units
    QString cluster = QStringLiteral("a");
    for (int mark = 0; mark < 3000; ++mark)
        cluster += stem;
    const QString shortCluster = QStringLiteral("b") + QString(1000, QChar(0x301));
    const QString text = cluster + shortCluster + cluster;
    const auto chunks = SentenceChunker::chunk(text, maxLength, limit);

    EXPECT_EQ(joined(chunks), text);
    expectContiguous(chunks);
    qsizetype whole = 0;
    for (const auto& c : chunks) {
        EXPECT_FALSE(c.text.front().isLowSurrogate()) << c.utf16Offset;
        if (c.text == shortCluster)
            ++whole;
        else
            EXPECT_LE(c.text.size(), maxLength);
    }
    EXPECT_EQ(whole, 1) << "the cluster within the limit is not cut";
}
