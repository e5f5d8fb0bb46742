// Throughput of reading a text handed over on standard input, up to the largest one taken.
#include "Parlino/Shell/TextHandOver.h"

#include <QBuffer>
#include <QStringEncoder>

#include <benchmark/benchmark.h>

namespace {

namespace TextHandOver = Parlino::TextHandOver;

// `unit` repeated to just under the bound, as UTF-8.
QString nearTheBound(const QString& unit) {
    const qsizetype units = TextHandOver::maxBytes / unit.toUtf8().size() - 1;
    return unit.repeated(units);
}

void read(benchmark::State& state, QByteArray input, const QByteArray& localeEncoding) {
    for (auto _ : state) {
        QBuffer buffer(&input);
        buffer.open(QIODevice::ReadOnly);
        const auto text = TextHandOver::read(buffer, localeEncoding);
        if (!text)
            state.SkipWithError(text.error().toStdString().c_str());
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(state.iterations() * input.size());
}

const QString english = QStringLiteral("The quick brown fox jumps over the lazy dog. ");
const QString accented =
    QStringLiteral("\u00DCn\u00EFc\u00F6d\u00E9 t\u00EBxt w\u00EFth \u201Cquotes\u201D \u2014 and "
                   "more. ");

void asciiUtf8(benchmark::State& state) {
    read(state, nearTheBound(english).toUtf8(), "UTF-8");
}

void accentedUtf8(benchmark::State& state) {
    read(state, nearTheBound(accented).toUtf8(), "UTF-8");
}

void unmarkedUtf16(benchmark::State& state) {
    read(state, QStringEncoder(QStringConverter::Utf16LE)(nearTheBound(accented)), "UTF-8");
}

void windowsInALatin1Locale(benchmark::State& state) {
    // Each quote takes three bytes in UTF-8: half the bound leaves room for them.
    QByteArray windows = nearTheBound(english).toLatin1();
    windows.truncate(windows.size() / 2);
    for (qsizetype quote = 0; quote < windows.size(); quote += 45)
        windows[quote] = '\x93';
    read(state, windows, "ISO-8859-1");
}

} // namespace

BENCHMARK(asciiUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(accentedUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(unmarkedUtf16)->Unit(benchmark::kMillisecond);
BENCHMARK(windowsInALatin1Locale)->Unit(benchmark::kMillisecond);
