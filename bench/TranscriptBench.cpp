// The transcript's costs: laying out a long read, and moving its current word with the repaint
// of what changed, rendered offscreen.
#include "Parlino/Panel/HighlightedTextView.h"
#include "Parlino/Panel/PanelSizing.h"
#include "Parlino/Panel/TextHeight.h"
#include "Parlino/Panel/TextMeasurer.h"
#include "Parlino/Panel/TranscriptCanvas.h"
#include "Parlino/Panel/TranscriptLayout.h"
#include "Parlino/Services/PanelFontChoice.h"
#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Services/SettingsKeys.h"

#include "TTS/WordMapper.h"

#include "Base/Clock.h"
#include "Base/Scheduler.h"
#include "Base/UserDefaults.h"

#include <QApplication>
#include <QImage>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

using namespace Parlino;

constexpr int transcriptWidth = 464;

// A text of at least `characters` UTF-16 code units in paragraphs of 60 words. As in prose,
// about a third of the words are new and the rest repeat earlier ones.
QString prose(qsizetype characters) {
    quint32 seed = 12345;
    const auto next = [&seed](quint32 below) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % below;
    };
    QStringList vocabulary;
    QString text;
    while (text.size() < characters) {
        QStringList paragraph;
        for (int w = 0; w < 60; ++w) {
            if (vocabulary.isEmpty() || next(3) == 0) {
                QString fresh;
                for (quint32 letter = 0, length = 2 + next(9); letter < length; ++letter)
                    fresh += QChar(u'a' + char16_t(next(26)));
                vocabulary.append(fresh);
            }
            paragraph.append(vocabulary[next(quint32(vocabulary.size()))]);
        }
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += paragraph.join(QLatin1Char(' '));
    }
    return text;
}

// A text of at least `characters` UTF-16 code units in paragraphs of 60 words drawn from a
// vocabulary of 20,000 by Zipf's law, as a language's words come: the common ones all the time,
// the rare ones seldom, so that a longer text brings fewer new words per line.
QString zipfProse(qsizetype characters) {
    quint32 seed = 54321;
    const auto next = [&seed](quint32 below) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % below;
    };
    constexpr int vocabularySize = 20'000;
    QStringList vocabulary;
    QList<double> cumulative;
    for (int rank = 1; rank <= vocabularySize; ++rank) {
        QString word;
        for (quint32 letter = 0, length = 2 + next(9); letter < length; ++letter)
            word += QChar(u'a' + char16_t(next(26)));
        vocabulary.append(word);
        cumulative.append((cumulative.isEmpty() ? 0 : cumulative.last()) + 1.0 / rank);
    }
    QString text;
    while (text.size() < characters) {
        QStringList paragraph;
        for (int w = 0; w < 60; ++w) {
            const double drawn = cumulative.last() * next(1u << 24) / (1u << 24);
            const auto rank = std::upper_bound(cumulative.cbegin(), cumulative.cend(), drawn) -
                              cumulative.cbegin();
            paragraph.append(vocabulary[std::min<qsizetype>(rank, vocabularySize - 1)]);
        }
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += paragraph.join(QLatin1Char(' '));
    }
    return text;
}

QList<Core::WordTiming> timings(const QString& text) {
    QList<Core::WordTiming> words;
    static const QRegularExpression word(QStringLiteral("\\S+"));
    for (auto it = word.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        words.append({match.captured(), {match.capturedStart(), match.capturedEnd()}, 0, 0});
    }
    return words;
}

TranscriptCanvas::Content content(const QString& text) {
    return {text, TranscriptCaseChoice::preserve,
            PanelFontChoices::font(PanelFontChoice::sfPro, 15)};
}

void LayOutLongTranscript(benchmark::State& state) {
    const FontMetricsTextMeasurer measurer;
    const TranscriptCanvas::Content read = content(prose(50'000));
    const Core::TimedWords words = timings(read.text);
    TranscriptCanvas canvas(measurer, words);
    canvas.setContent(read);
    int width = transcriptWidth;
    for (auto _ : state) {
        // Another width lays everything out again; the same content alone would not.
        width = width == transcriptWidth ? transcriptWidth - 1 : transcriptWidth;
        canvas.layOutAtWidth(width);
        benchmark::DoNotOptimize(canvas.transcriptLayout().height);
    }
    state.counters["words"] = double(words.size());
    state.counters["characters"] = double(read.text.size());
}
BENCHMARK(LayOutLongTranscript)->Unit(benchmark::kMillisecond);

// The layout alone, as a change of text or width makes it, for a text of state.range(0)
// characters: one word without a break (as `print('Start' + 'x' * n)` gives it), or prose. Both
// cost time in proportion to the length.
void layOutText(benchmark::State& state, const QString& text) {
    const FontMetricsTextMeasurer measurer;
    const QList<Paragraph> paragraphs = Transcript::paragraphs(text);
    const Core::TimedWords words = timings(text);
    const QFont font = content(text).font;
    for (auto _ : state)
        benchmark::DoNotOptimize(layOutTranscript(paragraphs, words, TranscriptCaseChoice::preserve,
                                                  font, measurer, transcriptWidth)
                                     .height);
    state.SetComplexityN(state.range(0));
}

void LayOutOneLongWord(benchmark::State& state) {
    layOutText(state, QStringLiteral("Start") + QString(state.range(0) - 5, u'x'));
}
BENCHMARK(LayOutOneLongWord)
    ->RangeMultiplier(2)
    ->Range(12'500, 100'000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

void LayOutProse(benchmark::State& state) {
    layOutText(state, zipfProse(state.range(0)));
}
BENCHMARK(LayOutProse)
    ->RangeMultiplier(2)
    ->Range(1 << 17, 1 << 20)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// A screenful of one long word in title case, painted as a scroll or a move of the highlight
// repaints it: it costs what shows, not the word's length.
void PaintAScreenfulOfALongWord(benchmark::State& state) {
    const FontMetricsTextMeasurer measurer;
    const QString text = QStringLiteral("Start") + QString(state.range(0) - 5, u'x');
    const Core::TimedWords words = timings(text);
    TranscriptCanvas canvas(measurer, words);
    TranscriptCanvas::Content read = content(text);
    read.caseChoice = TranscriptCaseChoice::titleCase;
    canvas.setContent(read);
    canvas.layOutAtWidth(transcriptWidth);
    canvas.setCurrentWordIndex(0);
    QImage image(transcriptWidth, 300, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state)
        canvas.render(&image, {}, QRegion(0, 0, transcriptWidth, 300), QWidget::DrawChildren);
}
BENCHMARK(PaintAScreenfulOfALongWord)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The panel's height for the longest text a hand-over takes (8 MiB), as prose or as one word: the
// measure stops once the text fills the sheet, so it costs what a screenful costs.
void MeasureHeightOfTheLongestRead(benchmark::State& state) {
    constexpr qsizetype characters = 8 * 1024 * 1024;
    const QString text = state.range(0) == 0 ? zipfProse(characters) : QString(characters, u'x');
    const FontMetricsTextMeasurer measurer;
    const QFont font = content(text).font;
    for (auto _ : state)
        benchmark::DoNotOptimize(measureTextHeight(text, TranscriptCaseChoice::titleCase, font,
                                                   PanelSizing::transcriptWidth, measurer,
                                                   PanelSizing::fillingTextHeight));
}
BENCHMARK(MeasureHeightOfTheLongestRead)
    ->ArgName("prose0_word1")
    ->DenseRange(0, 1)
    ->Unit(benchmark::kMillisecond);

// The same prose in another script: Arabic (right to left, words between spaces), Japanese (kana,
// every character a chip of its own, no spaces) or Thai (no spaces, dictionary words), each with
// the words the service's alignment gives.
void LayOutLongTranscriptInAnotherScript(benchmark::State& state) {
    const char16_t firstLetter[] = {u'\u0628', u'\u3042', u'\u0E01'};
    const bool spaced = state.range(0) == 0;
    QString text = prose(50'000);
    for (QChar& c : text)
        if (c.isLetter())
            c = QChar(char16_t(firstLetter[state.range(0)] + (c.unicode() - u'a')));
    if (!spaced)
        text.remove(QLatin1Char(' '));
    const FontMetricsTextMeasurer measurer;
    const TranscriptCanvas::Content read = content(text);
    const Core::TimedWords words = TTS::WordMapper::words(text);
    TranscriptCanvas canvas(measurer, words);
    canvas.setContent(read);
    int width = transcriptWidth;
    for (auto _ : state) {
        width = width == transcriptWidth ? transcriptWidth - 1 : transcriptWidth;
        canvas.layOutAtWidth(width);
        benchmark::DoNotOptimize(canvas.transcriptLayout().height);
    }
    state.counters["words"] = double(words.size());
}
BENCHMARK(LayOutLongTranscriptInAnotherScript)
    ->ArgName("arabic0_japanese1_thai2")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond);

void MoveCurrentWord(benchmark::State& state) {
    const FontMetricsTextMeasurer measurer;
    const TranscriptCanvas::Content read = content(prose(70'000));
    const Core::TimedWords words = timings(read.text).first(10'000);
    TranscriptCanvas canvas(measurer, words);
    canvas.setContent(read);
    canvas.layOutAtWidth(transcriptWidth);
    QImage image(transcriptWidth, 300, QImage::Format_ARGB32_Premultiplied);
    qsizetype word = 0;
    for (auto _ : state) {
        word = (word + 1) % words.size();
        const QRegion changed = canvas.setCurrentWordIndex(word);
        canvas.render(&image, -changed.boundingRect().topLeft(), changed, QWidget::DrawChildren);
    }
}
BENCHMARK(MoveCurrentWord)->Unit(benchmark::kMicrosecond);

// The whole road of a word change in a shown transcript: the model's signal, the highlight,
// the scroll that keeps the paragraph centred (at once, as under Reduce Motion) and the
// repaint into the window's offscreen backing store.
void MoveCurrentWordInShownTranscript(benchmark::State& state) {
    qputenv("PARLINO_REDUCE_MOTION", "1");
    MotionPreferences preferences;
    const QTemporaryDir folder;
    const SettingsKeys settings(Base::UserDefaults::open(QStringLiteral("bench"), folder.path()));
    const MotionContext motion{Base::SteadyClock::shared(), Base::QtScheduler::shared(),
                               preferences};
    PlayerViewModel model;
    const QString text = prose(70'000);
    QList<Core::WordTiming> words = timings(text);
    words.resize(10'000);
    model.setText(text);
    model.setTimingWords(words);
    HighlightedTextView view(model, settings, motion);
    view.resize(transcriptWidth, 300);
    view.show();
    QApplication::processEvents();
    qsizetype word = 0;
    for (auto _ : state) {
        word = (word + 1) % words.size();
        model.setCurrentWordIndex(word);
        QApplication::processEvents();
    }
}
BENCHMARK(MoveCurrentWordInShownTranscript)->Unit(benchmark::kMicrosecond);

} // namespace
