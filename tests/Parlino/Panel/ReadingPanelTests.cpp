#include "Defaults/Default.h"
#include "Parlino/Panel/ControlBar.h"
#include "Parlino/Panel/PanelGeometryBox.h"
#include "Parlino/Panel/PanelView.h"
#include "Parlino/Panel/SmoothProgressBar.h"
#include "Parlino/Panel/TextHeight.h"
#include "Parlino/Panel/TranscriptCanvas.h"
#include "Parlino/Services/PanelFontChoice.h"
#include "Parlino/Style/ParlinoButton.h"
#include "Parlino/Style/Theme.h"
#include "TTS/WordMapper.h"

#include "PanelTesting.h"

#include "support/EventLoop.h"
#include "support/Screenshots.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

using namespace Parlino;
using Phase = PlayerViewModel::Phase;

namespace {

struct Counts {
    int playPause = 0;
    int close = 0;
    int rate = 0;
    int replay = 0;

    void wire(PlayerViewModel& model) {
        model.onPlayPause = [this] { ++playPause; };
        model.onClose = [this] { ++close; };
        model.onRateTap = [this] { ++rate; };
        model.onReplay = [this] { ++replay; };
    }
};

struct Panel {
    ServicesTesting::TestSettings settings;
    PanelTesting::Motion motion;
    PlayerViewModel model;
    PanelGeometryBox geometry;
    PanelView view{model, geometry, settings.keys, motion.context};
    Counts counts;

    Panel() {
        counts.wire(model);
        geometry.setTopContentInset(32);
        // What the controller measures for the reads shown here.
        geometry.setCachedTextHeight(180);
        geometry.setRevealed(true);
        motion.scheduler.advance(1);
        view.resize(496, 260);
        view.show();
    }

    template <class T> T& child(const char* name) {
        T* found = view.findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return *found;
    }
};

void showRead(Panel& panel, Phase phase, std::optional<qsizetype> word, double elapsed,
              double total) {
    PanelTesting::startRead(panel.model, PanelTesting::longText(5, 14));
    panel.model.setPhase(std::move(phase));
    panel.model.setCurrentWordIndex(word);
    panel.model.progress().update(elapsed, total, true);
    panel.motion.scheduler.advance(1);
}

} // namespace

TEST(ControlBar, ForwardsEachPressAndFollowsThePhase) {
    Panel panel;
    showRead(panel, Phase::playing(), 3, 65.4, 200);
    auto& playPause = panel.child<ParlinoIconButton>("PlayPauseButton");
    auto& replay = panel.child<ParlinoIconButton>("ReplayButton");
    EXPECT_EQ(playPause.symbol(), QStringLiteral("pause.fill"));
    EXPECT_TRUE(replay.isHidden());
    EXPECT_EQ(panel.child<QLabel>("TimeLabel").text(), QStringLiteral("1:05 / 3:20"));
    EXPECT_EQ(panel.child<QAbstractButton>("SpeedChip").text(), QStringLiteral("1×"));

    QTest::mouseClick(&playPause, Qt::LeftButton);
    QTest::mouseClick(&panel.child<QAbstractButton>("SpeedChip"), Qt::LeftButton);
    EXPECT_EQ(panel.counts.playPause, 1);
    EXPECT_EQ(panel.counts.rate, 1);

    panel.model.setPhase(Phase::finished());
    EXPECT_EQ(playPause.symbol(), QStringLiteral("play.fill"));
    ASSERT_FALSE(replay.isHidden());
    QTest::mouseClick(&replay, Qt::LeftButton);
    EXPECT_EQ(panel.counts.replay, 1);

    panel.model.onPlayPause = nullptr; // an unset action does nothing
    QTest::mouseClick(&playPause, Qt::LeftButton);
}

TEST(ControlBar, ShowsTheSpeedSettingAndAnEstimatedTotal) {
    Panel panel;
    showRead(panel, Phase::playing(), std::nullopt, 0, 0);
    panel.model.progress().update(7, 135, false);
    EXPECT_EQ(panel.child<QLabel>("TimeLabel").text(), QStringLiteral("0:07 / ~2:15"));
    Defaults::set(panel.settings.keys.playbackRate, 0.75);
    auto& chip = panel.child<QAbstractButton>("SpeedChip");
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return chip.text() == QStringLiteral("0.75×"); }));
}

TEST(SmoothProgressBar, RepaintsOnlyWhenTheFillMovesVisiblyAndDrawsItsEndsExactly) {
    SmoothProgressBar bar;
    bar.resize(200, SmoothProgressBar::barHeight);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    const double pixel = 1.0 / (200 * bar.devicePixelRatioF());
    const auto settle = [] { TestSupport::drainEvents(); };

    bar.setFraction(0.5);
    settle();
    EXPECT_DOUBLE_EQ(bar.shownFraction(), 0.5);
    // A read ticking 60 times a second creeps a fraction of a pixel a frame: the fill keeps
    // within the visible step of the fraction without a repaint on every frame.
    int repaints = 0;
    for (int frame = 1; frame <= 100; ++frame) {
        const double before = bar.shownFraction();
        bar.setFraction(0.5 + frame * 0.15 * pixel);
        settle();
        repaints += bar.shownFraction() != before;
        EXPECT_LT((bar.fraction() - bar.shownFraction()) / pixel, SmoothProgressBar::visibleStep)
            << "frame " << frame;
    }
    EXPECT_EQ(repaints, 25); // fifteen pixels, every fourth frame

    bar.setFraction(1 - 0.1 * pixel);
    settle();
    bar.setFraction(3);
    EXPECT_DOUBLE_EQ(bar.fraction(), 1);
    settle();
    EXPECT_DOUBLE_EQ(bar.shownFraction(), 1);
    bar.setFraction(0.1 * pixel);
    settle();
    bar.setFraction(0);
    settle();
    EXPECT_DOUBLE_EQ(bar.shownFraction(), 0);
}

TEST(PanelView, SpaceAndEscapeActOncePerPress) {
    Panel panel;
    showRead(panel, Phase::playing(), 2, 3, 60);
    QTest::keyClick(&panel.view, Qt::Key_Space);
    QTest::keyClick(&panel.view, Qt::Key_Space, Qt::ShiftModifier);
    QTest::keyPress(&panel.view, Qt::Key_Space, Qt::NoModifier);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QApplication::sendEvent(&panel.view, &repeat);
    EXPECT_EQ(panel.counts.playPause, 2);
    QTest::keyClick(&panel.view, Qt::Key_Escape);
    EXPECT_EQ(panel.counts.close, 1);
    QTest::mouseClick(&panel.child<QAbstractButton>("EscPillButton"), Qt::LeftButton);
    EXPECT_EQ(panel.counts.close, 2);
}

TEST(PanelView, ShowsNoRecentAudioWhileHiddenAndDimsWhileRecapturing) {
    Panel panel;
    EXPECT_FALSE(panel.child<QLabel>("NoRecentAudio").isHidden());
    EXPECT_TRUE(panel.child<QWidget>("HighlightedTextView").isHidden());
    EXPECT_TRUE(panel.child<QWidget>("ControlBar").isHidden());
    TestSupport::renderScreenshot(panel.view, 1, QStringLiteral("Panel"),
                                  QStringLiteral("panel-no-recent-audio"));

    showRead(panel, Phase::recapturing(), 4, 2, 30);
    auto& transcript = panel.child<QWidget>("HighlightedTextView");
    EXPECT_TRUE(panel.child<QLabel>("NoRecentAudio").isHidden());
    auto* dim = qobject_cast<QGraphicsOpacityEffect*>(transcript.graphicsEffect());
    ASSERT_NE(dim, nullptr);
    EXPECT_DOUBLE_EQ(dim->opacity(), 0.4);
    panel.model.setPhase(Phase::playing());
    EXPECT_EQ(transcript.graphicsEffect(), nullptr);

    // A card shows neither the transcript nor the controls, but the close pill stays.
    panel.model.setPhase(Phase::confirmingLength(5000));
    EXPECT_TRUE(transcript.isHidden());
    EXPECT_FALSE(panel.child<QWidget>("EscPillButton").isHidden());
    panel.motion.scheduler.advance(1);
    EXPECT_DOUBLE_EQ(panel.view.sheetRect().height(), 32 + 64 + 32);
}

TEST(PanelView, SheetHeightMovesWithAChangeOfPageOrCard) {
    const qreal reading = 32 + 180 + 44;
    const qreal page = 32 + 263 + 32;
    const qreal card = 32 + 64 + 32;
    Panel panel;
    showRead(panel, Phase::playing(), 0, 0, 30);
    const auto sheetHeight = [&] { return panel.view.sheetRect().height(); };
    const auto drawnHeight = [&] { return panel.child<QWidget>("PanelSheet").height(); };
    ASSERT_DOUBLE_EQ(sheetHeight(), reading);

    // A page eases over 0.2 s, and the drawn sheet follows frame by frame.
    panel.model.setContentMode(PanelContentMode::settings);
    EXPECT_DOUBLE_EQ(sheetHeight(), reading);
    panel.motion.scheduler.advance(0.1);
    const qreal halfway = sheetHeight();
    EXPECT_NEAR(halfway, (reading + page) / 2, 1);
    EXPECT_NEAR(drawnHeight(), halfway, 1);

    // Turning back part-way starts from where the sheet stands.
    panel.model.setContentMode(PanelContentMode::reading);
    EXPECT_NEAR(sheetHeight(), halfway, 1e-6);
    panel.motion.scheduler.advance(PanelView::pageSeconds);
    EXPECT_DOUBLE_EQ(sheetHeight(), reading);
    EXPECT_EQ(drawnHeight(), int(reading));

    // A card springs in from the read's height.
    panel.model.setPhase(Phase::confirmingLength(5000));
    EXPECT_DOUBLE_EQ(sheetHeight(), reading);
    panel.motion.scheduler.advance(0.05);
    EXPECT_LT(sheetHeight(), reading);
    EXPECT_GT(sheetHeight(), card);
    panel.motion.scheduler.advance(1);
    EXPECT_DOUBLE_EQ(sheetHeight(), card);
    EXPECT_EQ(drawnHeight(), int(card));

    // Under Reduce Motion the height jumps.
    qputenv("PARLINO_REDUCE_MOTION", "1");
    Panel reduced;
    qunsetenv("PARLINO_REDUCE_MOTION");
    showRead(reduced, Phase::playing(), 0, 0, 30);
    reduced.model.setContentMode(PanelContentMode::clips);
    EXPECT_DOUBLE_EQ(reduced.view.sheetRect().height(), page);
    EXPECT_EQ(reduced.child<QWidget>("PanelSheet").height(), int(page));
}

TEST(PanelView, SlidesInWhenRevealedAndFadesUnderReduceMotion) {
    Panel panel;
    EXPECT_DOUBLE_EQ(panel.view.sheetRect().top(), 0);
    panel.geometry.setRevealed(false);
    panel.motion.scheduler.advance(1);
    EXPECT_DOUBLE_EQ(panel.view.sheetRect().top(), -(32 + 180 + 44 + 8));

    qputenv("PARLINO_REDUCE_MOTION", "1");
    Panel reduced;
    qunsetenv("PARLINO_REDUCE_MOTION");
    reduced.geometry.setRevealed(false);
    reduced.motion.scheduler.advance(0.075);
    EXPECT_DOUBLE_EQ(reduced.view.sheetRect().top(), 0);
    auto* fade = qobject_cast<QGraphicsOpacityEffect*>(
        reduced.child<QWidget>("PanelSheet").graphicsEffect());
    ASSERT_NE(fade, nullptr);
    EXPECT_GT(fade->opacity(), 0);
    EXPECT_LT(fade->opacity(), 1);
}

TEST(PanelView, RendersTheReadingStates) {
    Panel panel;
    showRead(panel, Phase::playing(), 20, 9, 42);
    QImage playing = TestSupport::renderScreenshot(panel.view, 2, QStringLiteral("Panel"),
                                                   QStringLiteral("panel-playing"));
    EXPECT_EQ(playing.size(), QSize(496 * 2, 260 * 2));
    EXPECT_EQ(panel.view.sheetRect(), QRectF(8, 0, 480, 32 + 180 + 44));
    // The current word is drawn in the accent colour.
    auto& canvas = static_cast<TranscriptCanvas&>(panel.child<QWidget>("TranscriptCanvas"));
    const auto& layout = canvas.transcriptLayout();
    const QPoint origin = canvas.mapTo(&panel.view, QPoint());
    bool accentFound = false;
    const QRect current = layout.wordRects[20].toAlignedRect().translated(origin);
    for (int y = current.top(); y <= current.bottom() && !accentFound; ++y)
        for (int x = current.left(); x <= current.right() && !accentFound; ++x) {
            const QColor pixel = playing.pixelColor(x * 2, y * 2);
            accentFound = pixel.blue() > 200 && pixel.red() < 150;
        }
    EXPECT_TRUE(accentFound);

    panel.model.setPhase(Phase::paused());
    TestSupport::renderScreenshot(panel.view, 1, QStringLiteral("Panel"),
                                  QStringLiteral("panel-paused"));
    panel.model.setPhase(Phase::finished());
    panel.model.progress().update(42, 42, true);
    panel.motion.scheduler.advance(1);
    TestSupport::renderScreenshot(panel.view, 2, QStringLiteral("Panel"),
                                  QStringLiteral("panel-finished"));
    EXPECT_FALSE(panel.child<QWidget>("ReplayButton").isHidden());
}

// Each script as its readers write it: right-to-left rows from the right edge, no gaps inside
// Chinese, Japanese and Thai, an over-long address broken over rows, and a measured height that
// holds every row.
TEST(PanelView, ShowsEveryScriptAsItIsWrittenAndMeasuresItWhole) {
    QString url = QStringLiteral("https://example.com/");
    while (url.size() < 300)
        url += QStringLiteral("segment-of-a-path/");
    const struct {
        const char* name;
        QString text;
        bool rightToLeft;
    } samples[] = {
        {"arabic", QStringLiteral("مرحبا بالعالم. هذه قراءة تجريبية للنص العربي."), true},
        {"hebrew", QStringLiteral("שלום עולם. זוהי קריאה לדוגמה של טקסט בעברית."), true},
        {"mixed", QStringLiteral("قال المدير: Parlino reads aloud، ثم غادر."), true},
        {"japanese",
         QStringLiteral("今日はとても良い天気ですね。明日も晴れるでしょう。公園に行きましょう。"),
         false},
        {"chinese", QStringLiteral("今天天气很好。我们去公园散步吧，然后一起吃午饭。"), false},
        {"thai", QStringLiteral("ภาษาไทยเป็นภาษาที่ไม่มีการเว้นวรรคระหว่างคำ"), false},
        {"long-url", QStringLiteral("Open ") + url + QStringLiteral(" now."), false},
    };
    for (const auto& sample : samples) {
        Panel panel;
        panel.model.setText(sample.text);
        panel.model.setTimingWords(TTS::WordMapper::words(sample.text));
        panel.model.setPhase(Phase::playing());
        panel.model.setCurrentWordIndex(0);
        panel.motion.scheduler.advance(1);
        const QImage image =
            TestSupport::renderScreenshot(panel.view, 2, QStringLiteral("Panel"),
                                          QStringLiteral("panel-script-%1").arg(sample.name));
        auto& canvas = static_cast<TranscriptCanvas&>(panel.child<QWidget>("TranscriptCanvas"));
        const TranscriptLayout& layout = canvas.transcriptLayout();
        ASSERT_FALSE(layout.wordRects.isEmpty()) << sample.name;
        const qreal right = canvas.width() - TranscriptLayout::horizontalPadding;
        for (qsizetype w = 0; w < layout.wordRects.size(); ++w) {
            EXPECT_GE(layout.wordRects[w].left(), TranscriptLayout::horizontalPadding) << w;
            EXPECT_LE(layout.wordRects[w].right(), right + 0.01) << sample.name << w;
        }
        for (const TranscriptLayout::Piece& piece : layout.pieces)
            EXPECT_LE(piece.rect.right(), right + 0.01) << sample.name;
        const QRectF first = layout.wordRects[0];
        if (sample.rightToLeft)
            EXPECT_NEAR(first.right(), right, 0.01) << sample.name << ": first word on the right";
        else
            EXPECT_EQ(first.left(), TranscriptLayout::horizontalPadding) << sample.name;
        // The first word, being spoken, is drawn in the accent colour where it stands.
        const QRect current = first.toAlignedRect().translated(canvas.mapTo(&panel.view, QPoint()));
        bool accent = false;
        for (int y = current.top(); y <= current.bottom() && !accent; ++y)
            for (int x = current.left(); x <= current.right() && !accent; ++x) {
                const QColor pixel = image.pixelColor(x * 2, y * 2);
                accent = pixel.blue() > 200 && pixel.red() < 150;
            }
        EXPECT_TRUE(accent) << sample.name;
        // What the controller measures to size the panel holds every row.
        const QFont font = PanelFontChoices::font(
            PanelFontChoice::sfPro, int(Defaults::get(panel.settings.keys.panelFontSize)));
        const FontMetricsTextMeasurer measurer;
        EXPECT_GE(measureTextHeight(sample.text, TranscriptCaseChoice::preserve, font,
                                    canvas.width() - 2 * TranscriptLayout::horizontalPadding,
                                    measurer),
                  layout.height)
            << sample.name;
    }
}
