// The reading panel at the size the controller gives it on a 1920 × 1080 screen, in every phase
// and with every page of its header: nothing a user reads or presses may overlap, leave the
// sheet or lose part of its text.
#include "Parlino/Clips/ClipsViewModel.h"
#include "Parlino/Panel/BubbleGeometryBox.h"
#include "Parlino/Panel/BubbleView.h"
#include "Parlino/Panel/HighlightedTextView.h"
#include "Parlino/Panel/IdleBarGeometryBox.h"
#include "Parlino/Panel/IdleBarView.h"
#include "Parlino/Panel/NotchPlacement.h"
#include "Parlino/Panel/PanelGeometryBox.h"
#include "Parlino/Panel/PanelHeader.h"
#include "Parlino/Panel/PanelPages.h"
#include "Parlino/Panel/PanelSizing.h"
#include "Parlino/Panel/PanelView.h"
#include "Parlino/Panel/TextHeight.h"
#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Services/AudioOutput.h"
#include "Parlino/Services/WarningModel.h"
#include "Parlino/Settings/SettingsNavigation.h"
#include "Parlino/Settings/SettingsServices.h"
#include "Parlino/Settings/VoiceMeshTimeline.h"

#include "PanelTesting.h"
#include "Parlino/Clips/ClipsViewTesting.h"
#include "Parlino/Settings/SettingsTesting.h"
#include "Parlino/Settings/VoicesTesting.h"
#include "support/FakePreferences.h"
#include "support/FakeScreenProvider.h"
#include "support/LayoutCheck.h"
#include "support/Screenshots.h"

#include <QScrollArea>
#include <QScrollBar>

#include <gtest/gtest.h>

using namespace Parlino;
using Phase = PlayerViewModel::Phase;

namespace {

const QString suite = QStringLiteral("PanelLayout");

// The transcript's own scroll bar lies over its text.
const QStringList overlays = TestSupport::standardOverlays() << QStringLiteral("QScrollBar");

struct PanelLayoutTest : ::testing::TestWithParam<qreal>, SettingsTesting::PaneServices {
    PanelLayoutTest() {
        service.on("GET", QStringLiteral("/v1/user"), SettingsTesting::quotaAnswer(12345, 100000));
        store.secrets[apiKeyAccount] = QStringLiteral("sk-saved");
        voices.load(VoicesTesting::manyVoices(12));
        clips.save(QStringLiteral("A saved read whose words run on long enough to be cut short"));
        clips.save(QStringLiteral("Another read"));
        model.onPhaseChange = [this](const Phase&) { place(); };
        place();
        view.show();
    }

    // What the controller writes into the geometry box and the window for the model's phase.
    void place() {
        const ScreenScalars screen = TestSupport::plainScreen(1920, 1080, GetParam());
        const Phase::Kind phase = model.phase().kind();
        geometry.setTopContentInset(NotchPlacement::topInset(screen));
        geometry.setScreenHeight(screen.frame.height());
        geometry.setWarningRowHeight(
            PanelSizing::warningRowHeight(warnings.current() != ActiveWarning::none(), phase));
        const TextMeasurementKey key{model.textEpoch(), 15, PanelFontChoice::sfPro,
                                     TranscriptCaseChoice::preserve, PanelSizing::transcriptWidth};
        geometry.setCachedTextHeight(textHeights.height(key, model.text()));
        geometry.setRevealed(true);
        view.resize(NotchPlacement::panelWindowFrame(screen).size().toSize());
    }

    void settle() {
        TestSupport::pumpUntil([] { return false; }, 50);
        scheduler.advance(1);
        TestSupport::drainEvents();
    }

    // The layout faults of the panel as it stands, with a screenshot to look at.
    ::testing::AssertionResult laidOutCleanly(const QString& name) {
        place();
        settle();
        TestSupport::renderScreenshot(view, 1, suite,
                                      QStringLiteral("%1-inset%2").arg(name).arg(GetParam()));
        return TestSupport::hasCleanLayout(view, view.sheetRect().toAlignedRect(), overlays);
    }

    TestSupport::PreferenceFakes prefs;
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    MotionPreferences preferences;
    MotionContext motion{clock, scheduler, preferences};
    PointerMotion pointer{clock, scheduler};
    Base::NotificationCenter notifications;
    VoicesTesting::VoicesWorld voices;
    VoiceMeshTimeline avatarTimeline{scheduler,
                                     [this] { return Base::Date{800000000 + clock.now()}; }};
    SettingsServices services{store,
                              session,
                              service.baseURL(),
                              notifications,
                              motion,
                              pointer,
                              {},
                              prefs.keys,
                              prefs.registry,
                              prefs.loginItem,
                              prefs.desktopSettings,
                              prefs.recordings.recordings,
                              prefs.cache,
                              QStringLiteral("Parlino"),
                              {},
                              {voices.model, voices.samples, avatarTimeline}};
    SettingsNavigation navigation;
    ClipsTesting::ClipsViewHarness clips;
    ClipsViewModel clipsModel{clips.library, nullptr, clips.players(), clips.settings.keys};
    WarningModel warnings;
    AudioOutput audio{scheduler};
    FontMetricsTextMeasurer measurer;
    TextHeightCache textHeights{measurer, PanelSizing::fillingTextHeight};
    PlayerViewModel model;
    PanelGeometryBox geometry;
    PanelView view{model,
                   geometry,
                   prefs.keys,
                   motion,
                   {&warnings, &audio,
                    PanelPages{services, navigation, clipsModel, clips.environment},
                    &prefs.desktopSettings}};
};

TEST_P(PanelLayoutTest, everyPhaseOfAReadIsLaidOutCleanly) {
    EXPECT_TRUE(laidOutCleanly(QStringLiteral("hidden")));

    PanelTesting::startRead(model, QStringLiteral("Hello"));
    EXPECT_TRUE(laidOutCleanly(QStringLiteral("one-word")));

    PanelTesting::startRead(model, PanelTesting::longText(12, 16));
    model.setCurrentWordIndex(0);
    EXPECT_TRUE(laidOutCleanly(QStringLiteral("long")));
    model.setPhase(Phase::paused());
    EXPECT_TRUE(laidOutCleanly(QStringLiteral("paused")));

    model.setPhase(Phase::stalled(Core::TTSError::accountInProbation()));
    EXPECT_TRUE(laidOutCleanly(QStringLiteral("stalled")));

    model.setPhase(Phase::confirmingLength(123456));
    EXPECT_TRUE(laidOutCleanly(QStringLiteral("length-card")));

    model.setPhase(
        Phase::failed(Core::CaptureError::permissionDenied(), PlayerViewModel::Dwell::persist));
    EXPECT_TRUE(laidOutCleanly(QStringLiteral("failed")));
    // The longest capture message.
    model.setPhase(
        Phase::failed(Core::CaptureError::selectionTooLarge(), PlayerViewModel::Dwell::persist));
    EXPECT_TRUE(laidOutCleanly(QStringLiteral("failed-too-large")));
}

TEST_P(PanelLayoutTest, theWarningRowKeepsClearOfTheTranscript) {
    PanelTesting::startRead(model, QStringLiteral("Hello"));
    warnings.setKeyPresence(KeyPresence::absent);
    ASSERT_EQ(warnings.current(), ActiveWarning::noKey());
    EXPECT_TRUE(laidOutCleanly(QStringLiteral("no-key")));

    PanelTesting::startRead(model, PanelTesting::longText(12, 16));
    model.setPhase(Phase::stalled(Core::TTSError::network(QStringLiteral("offline"))));
    EXPECT_TRUE(laidOutCleanly(QStringLiteral("no-key-stalled")));
}

TEST_P(PanelLayoutTest, everyHeaderPageFitsTheSheet) {
    PanelTesting::startRead(model, QStringLiteral("Hello"));
    for (const bool hasKey : {true, false}) {
        if (!hasKey) {
            store.secrets.remove(apiKeyAccount);
            voices.hasKey = false;
            voices.model.refresh();
        }
        const QString key = hasKey ? QStringLiteral("key") : QStringLiteral("no-key");
        model.toggleSettings();
        for (const SettingsPane pane : allSettingsPanes) {
            if (pane == SettingsPane::quit)
                continue;
            navigation.setSelection(pane);
            const QString name = QStringLiteral("settings-%1-%2").arg(rawValue(pane), key);
            EXPECT_TRUE(laidOutCleanly(name)) << name.toStdString();
        }
        model.toggleVoices();
        EXPECT_TRUE(laidOutCleanly(QStringLiteral("voices-") + key)) << key.toStdString();
        model.toggleVoices();
    }
    model.toggleClips();
    EXPECT_TRUE(laidOutCleanly(QStringLiteral("clips")));
}

// Words arrive and are spoken through one paragraph far taller than the transcript: the row
// of the current word stays in view and no row sits half under the header above it.
TEST_P(PanelLayoutTest, aLongParagraphFollowedWordByWordShowsWholeRows) {
    const QString text = PanelTesting::longText(1, 900);
    const QList<Core::WordTiming> timings = PanelTesting::timingsOf(text);
    model.setText(text);
    model.setTimingWords(timings.mid(0, 200));
    model.setPhase(Phase::playing());
    ASSERT_TRUE(laidOutCleanly(QStringLiteral("long-paragraph")));
    auto* transcript = dynamic_cast<HighlightedTextView*>(
        view.findChild<QWidget*>(QStringLiteral("HighlightedTextView")));
    ASSERT_TRUE(transcript);
    for (qsizetype word = 0; word < timings.size(); word += 31) {
        if (word + 100 > model.timingWords().size())
            model.setTimingWords(timings.mid(0, std::min(word + 200, timings.size())));
        model.setCurrentWordIndex(word);
        ASSERT_TRUE(laidOutCleanly(QStringLiteral("long-paragraph"))) << word;
        const auto& rects = transcript->canvas().transcriptLayout().wordRects;
        ASSERT_LT(word, rects.size());
        const QScrollArea& area = transcript->scrollArea();
        const qreal top = area.verticalScrollBar()->value();
        const qreal bottom = top + area.viewport()->height();
        EXPECT_GE(rects[word].top(), top) << word;
        EXPECT_LE(rects[word].bottom(), bottom) << word;
        bool rowCut = false;
        for (qsizetype other = 0; other < rects.size(); ++other)
            rowCut = rowCut || (rects[other].top() < top && rects[other].bottom() > top);
        EXPECT_FALSE(rowCut) << "word " << word << ": a row cut at " << top;
    }
    EXPECT_GT(transcript->canvas().height(), 3 * transcript->scrollArea().viewport()->height());
}

TEST(PillLayout, theBubbleAndTheIdleBarFitTheirPills) {
    const ScreenScalars screen = TestSupport::plainScreen(1920, 1080, 0);
    ServicesTesting::TestSettings settings;
    PanelTesting::Motion motion;
    PlayerViewModel model;

    const NotchPlacement::PillPlacement bubblePlaced = NotchPlacement::bubblePlacement(screen);
    BubbleGeometryBox bubbleGeometry;
    bubbleGeometry.setPillHeight(bubblePlaced.pillHeight);
    bubbleGeometry.setVisibleHeight(bubblePlaced.visibleHeight);
    bubbleGeometry.setHorizontalBleed(bubblePlaced.horizontalBleed);
    bubbleGeometry.setRevealed(true);
    BubbleView bubble(model, bubbleGeometry, settings.keys, motion.context);
    bubble.resize(bubblePlaced.windowFrame.size().toSize());
    bubble.show();
    model.progress().update(3725, 7260, false);
    for (const Phase& phase : {Phase::listening(), Phase::loading(), Phase::playing(),
                               Phase::stalled(Core::TTSError::network(QStringLiteral("off")))}) {
        model.setPhase(phase);
        motion.scheduler.advance(1);
        EXPECT_TRUE(TestSupport::hasCleanLayout(bubble, bubble.pillRect().toAlignedRect()));
    }

    const NotchPlacement::PillPlacement barPlaced = NotchPlacement::idleBarPlacement(screen);
    IdleBarGeometryBox barGeometry;
    barGeometry.setPillHeight(barPlaced.pillHeight);
    barGeometry.setSlideDistance(barPlaced.visibleHeight);
    barGeometry.setHorizontalBleed(barPlaced.horizontalBleed);
    barGeometry.setRevealed(true);
    IdleBarView bar(barGeometry, motion.context);
    bar.resize(barPlaced.windowFrame.size().toSize());
    bar.show();
    motion.scheduler.advance(1);
    EXPECT_TRUE(TestSupport::hasCleanLayout(bar));
}

// A screen without a top band (most desktops) and one with a 25 pt top panel.
INSTANTIATE_TEST_SUITE_P(TopInsets, PanelLayoutTest, ::testing::Values(0.0, 25.0));

} // namespace
