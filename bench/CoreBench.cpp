// Throughput of the text preparation and the word mapper on large inputs, and the chunking of
// texts whose sentences are longer than one request may be.
#include "Core/SentenceChunker.h"
#include "Core/TextSanitizer.h"
#include "TTS/WordMapper.h"

#include <benchmark/benchmark.h>

namespace {

constexpr qsizetype megabyte = 1 << 20;
constexpr qsizetype chunkBound = 800;
constexpr qsizetype requestLimit = 2000;

QString repeatToSize(const QString& unit, qsizetype size) {
    QString text;
    text.reserve(size + unit.size());
    while (text.size() < size)
        text += unit;
    return text;
}

const QString& englishText() {
    static const QString text = repeatToSize(
        QStringLiteral("The quick brown fox jumps over the lazy dog.  Mr. Smith said so,\r\n"
                       "and\tthen he left!  Was it late? \n\n"),
        megabyte);
    return text;
}

const QString& mixedText() {
    static const QString text = repeatToSize(
        QStringLiteral("東京は日本の首都です。") + QString::fromUcs4(U"😀👨‍👩‍👧 ") +
            QStringLiteral("Ça marche très bien.\u200B  Привет, мир! "),
        megabyte);
    return text;
}

// Nothing to be read aloud: every character is looked at for speech, to the end.
const QString& invisibleText() {
    static const QString text =
        repeatToSize(QStringLiteral("\u202E\u2066\u200E\u2060\u00AD\uFEFF \u200D\u2069\n") +
                         QString::fromUcs4(U"\U000E0041\uFE0F"),
                     megabyte);
    return text;
}

void sanitize(benchmark::State& state, const QString& text) {
    for (auto _ : state)
        benchmark::DoNotOptimize(Core::TextSanitizer::sanitize(text));
    state.SetBytesProcessed(state.iterations() * text.size() * qsizetype(sizeof(QChar)));
}

void BM_SanitizeEnglish(benchmark::State& state) {
    sanitize(state, englishText());
}
void BM_SanitizeMixed(benchmark::State& state) {
    sanitize(state, mixedText());
}
void BM_SanitizeInvisible(benchmark::State& state) {
    sanitize(state, invisibleText());
}

void sanitizeAndChunk(benchmark::State& state, const QString& text) {
    for (auto _ : state) {
        const QString clean = Core::TextSanitizer::sanitize(text);
        benchmark::DoNotOptimize(Core::SentenceChunker::chunk(clean, chunkBound, requestLimit));
    }
    state.SetBytesProcessed(state.iterations() * text.size() * qsizetype(sizeof(QChar)));
}

void BM_SanitizeAndChunkEnglish(benchmark::State& state) {
    sanitizeAndChunk(state, englishText());
}
void BM_SanitizeAndChunkMixed(benchmark::State& state) {
    sanitizeAndChunk(state, mixedText());
}

// Coloured terminal output: every few words change colour, and each line ends with a reset.
const QString& colouredText() {
    static const QString text = repeatToSize(
        QStringLiteral("\x1b[1;31mError:\x1b[0m the file \x1b[4mreport.txt\x1b[24m was not found "
                       "in \x1b]8;;file:///tmp/report.txt\x1b\\/tmp\x1b]8;;\x1b\\.\x1b[K\n"),
        megabyte);
    return text;
}

void BM_SanitizeColouredTerminalOutput(benchmark::State& state) {
    sanitize(state, colouredText());
}

// Terminal output whose every line the cursor goes back into: a progress line redrawn, a typo
// erased with backspaces, overstruck letters, wide characters and a tab.
void BM_SanitizeRedrawnTerminalOutput(benchmark::State& state) {
    static const QString text = repeatToSize(
        QStringLiteral("Progress: 10%\rProgress: 50%\r\x1b[KProgress: 100%\r\n$ echo hellp\b \bo "
                       "world\r\n\u6F22\u5B57\b\b  \b\bN\bNA\bAM\bME\bE\tend\n"),
        megabyte);
    sanitize(state, text);
}

// One line that the cursor goes back into at its end: all of it is held, row by row.
void BM_SanitizeAMegabyteLineRedrawnAtItsEnd(benchmark::State& state) {
    static const QString text =
        repeatToSize(QStringLiteral("words of a line that goes on "), megabyte) +
        QStringLiteral("\rDone.");
    sanitize(state, text);
}

void chunk(benchmark::State& state, const QString& text) {
    for (auto _ : state)
        benchmark::DoNotOptimize(Core::SentenceChunker::chunk(text, chunkBound, requestLimit));
    state.SetBytesProcessed(state.iterations() * text.size() * qsizetype(sizeof(QChar)));
}

void BM_ChunkA100kWord(benchmark::State& state) {
    chunk(state, QString(100000, QLatin1Char('x')));
}
void BM_ChunkA100kSentence(benchmark::State& state) {
    chunk(state, repeatToSize(QStringLiteral("words without a full stop "), 100000));
}
// A word of letters under combining marks, whose grapheme clusters only ICU finds.
void BM_ChunkA100kAccentedWord(benchmark::State& state) {
    chunk(state, repeatToSize(QStringLiteral("e\u0301\u0327a\u0308"), 100000));
}
// One grapheme cluster longer than any request: a letter under 100,000 combining marks.
void BM_ChunkA100kGraphemeCluster(benchmark::State& state) {
    chunk(state, QLatin1Char('e') + QString(100000, QChar(0x301)));
}
void BM_ChunkEightMegabytesOfProse(benchmark::State& state) {
    static const QString text = repeatToSize(
        QStringLiteral("The quick brown fox jumps over the lazy dog. Mr. Smith said so, and then "
                       "he left! Was it late?\n\n"),
        8 * megabyte);
    chunk(state, text);
}
void BM_ChunkAnEightMegabyteWord(benchmark::State& state) {
    chunk(state, QString(8 * megabyte, QLatin1Char('x')));
}

void BM_WordMapper100k(benchmark::State& state) {
    const QString text = repeatToSize(QStringLiteral("Hello there, general 漢字 reader! "), 100000);
    QStringList characters;
    QList<double> starts;
    QList<double> ends;
    for (qsizetype i = 0; i < text.size(); ++i) {
        characters.append(QString(text[i]));
        starts.append(0.01 * double(i));
        ends.append(0.01 * double(i + 1));
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(TTS::WordMapper::words(characters, starts, ends));
    state.SetItemsProcessed(state.iterations() * characters.size());
}

BENCHMARK(BM_SanitizeEnglish)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SanitizeMixed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SanitizeInvisible)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SanitizeAndChunkEnglish)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SanitizeAndChunkMixed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SanitizeColouredTerminalOutput)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SanitizeRedrawnTerminalOutput)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SanitizeAMegabyteLineRedrawnAtItsEnd)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChunkA100kWord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChunkA100kSentence)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChunkA100kAccentedWord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChunkA100kGraphemeCluster)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChunkEightMegabytesOfProse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChunkAnEightMegabyteWord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WordMapper100k)->Unit(benchmark::kMillisecond);

} // namespace
