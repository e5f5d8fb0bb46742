#include "Core/SentenceChunker.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

using namespace Core;
using Base::Unicode::TextRange;

namespace {

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
    EXPECT_TRUE(SentenceChunker::chunk(QString(), 800).isEmpty());
}

TEST(SentenceChunker, PacksSegmentsUpToTheLimitInclusive) {
    const QString text = QStringLiteral("0123456789abcdef"); // 16 code units
    const auto chunks = SentenceChunker::pack(text, {{0, 5}, {5, 10}, {10, 16}}, 10);
    ASSERT_EQ(chunks.size(), 2);
    EXPECT_EQ(chunks[0], (Chunk{QStringLiteral("0123456789"), 0}));
    EXPECT_EQ(chunks[1], (Chunk{QStringLiteral("abcdef"), 10}));
}

TEST(SentenceChunker, LeadingTextJoinsTheFirstSegment) {
    const QString text = QStringLiteral("  ab. cd.");
    const auto chunks = SentenceChunker::pack(text, {{2, 6}, {6, 9}}, 4);
    ASSERT_EQ(chunks.size(), 2);
    EXPECT_EQ(chunks[0].text, QStringLiteral("  ab. "));
    EXPECT_EQ(chunks[1], (Chunk{QStringLiteral("cd."), 6}));
}

TEST(SentenceChunker, WholeTextIsOneSegmentWithoutSentences) {
    const auto chunks = SentenceChunker::pack(QStringLiteral("abc"), {}, 1);
    ASSERT_EQ(chunks.size(), 1);
    EXPECT_EQ(chunks[0], (Chunk{QStringLiteral("abc"), 0}));
}

TEST(SentenceChunker, AnOverlongSentenceIsAChunkOfItsOwn) {
    const QString longSentence =
        QLatin1Char('L') + QString(1498, QLatin1Char('a')) + QLatin1Char('.');
    const QString text =
        QStringLiteral("Short one. ") + longSentence + QStringLiteral(" Short two.");
    const auto chunks = SentenceChunker::chunk(text, 800);
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
    const auto chunks = SentenceChunker::chunk(text, 12);
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
            const auto chunks = SentenceChunker::chunk(text, max);
            EXPECT_EQ(joined(chunks), text);
            expectContiguous(chunks);
        }
    }
}
