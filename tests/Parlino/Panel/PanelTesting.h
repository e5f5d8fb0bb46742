#pragma once

#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Services/ServicesTesting.h"
#include "Parlino/Style/MotionPreferences.h"

#include "support/ManualTime.h"

#include <QRegularExpression>

namespace PanelTesting {

// The clock, scheduler and motion preferences of the views under test.
struct Motion {
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    Parlino::MotionPreferences preferences;
    Parlino::MotionContext context{clock, scheduler, preferences};
};

// One timing per run of non-space characters, half a second each.
inline QList<Core::WordTiming> timingsOf(const QString& text) {
    QList<Core::WordTiming> words;
    static const QRegularExpression word(QStringLiteral("\\S+"));
    for (auto it = word.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        const double start = 0.5 * double(words.size());
        words.append(
            {match.captured(), {match.capturedStart(), match.capturedEnd()}, start, start + 0.5});
    }
    return words;
}

// A read of `text` with its timings, playing.
inline void startRead(Parlino::PlayerViewModel& model, const QString& text) {
    model.setText(text);
    model.setTimingWords(timingsOf(text));
    model.setPhase(Parlino::PlayerViewModel::Phase::playing());
}

// `paragraphs` paragraphs of `wordsEach` words.
inline QString longText(int paragraphs, int wordsEach) {
    static const QStringList vocabulary{"the",    "reader",  "speaks", "every", "word",
                                        "softly", "while",   "a",      "panel", "follows",
                                        "along",  "quietly", "under",  "notch", "light"};
    QStringList lines;
    int n = 0;
    for (int p = 0; p < paragraphs; ++p) {
        QStringList line;
        for (int w = 0; w < wordsEach; ++w)
            line.append(vocabulary[(n++ * 7 + p) % vocabulary.size()]);
        lines.append(line.join(QLatin1Char(' ')));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace PanelTesting
