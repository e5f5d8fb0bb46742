#include "Base/NotificationCenter.h"
#include "Parlino/Settings/SettingsNavigation.h"
#include "Parlino/Settings/SettingsView.h"
#include "Parlino/Settings/VoiceMeshTimeline.h"
#include "Parlino/Settings/VoicePane.h"
#include "Parlino/Settings/VoiceProfileButton.h"
#include "Parlino/Settings/VoiceTile.h"
#include "Parlino/Settings/VoicesSectionView.h"
#include "Parlino/Style/FocusRest.h"
#include "Parlino/Style/PointerMotion.h"
#include "Parlino/Style/Theme.h"

#include "VoicesTesting.h"
#include "support/FakePreferences.h"
#include "support/FakeSecretStore.h"
#include "support/LayoutCheck.h"
#include "support/Screenshots.h"

#include <QAccessible>
#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace Parlino;
using Core::TTSError;
using SampleState = VoiceSamplePlayer::State;
using VoicesTesting::voice;

// Collects the addresses the views ask the desktop to open.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

namespace {

const QString sarahID = u"EXAVITQu4vr4xnSDxMaL"_qs;

class VoiceViewsTest : public ::testing::Test {
protected:
    VoiceViewsTest() { QDesktopServices::setUrlHandler(u"https"_qs, &urls, "open"); }
    ~VoiceViewsTest() override { QDesktopServices::unsetUrlHandler(u"https"_qs); }

    std::unique_ptr<VoicePane> pane(bool embedded, QSize size = {560, 560}) {
        auto view = std::make_unique<VoicePane>(
            services, [this] { ++apiKeyRequests; }, embedded);
        showOnGround(*view, size, embedded ? Theme::black() : Theme::ink());
        return view;
    }

    std::unique_ptr<VoicesSectionView> section(QSize size = {420, 300}) {
        auto view = std::make_unique<VoicesSectionView>(world.model, world.samples, 30, context);
        showOnGround(*view, size, Theme::black());
        return view;
    }

    // Shows the view on the dark ground of its host and lets its layouts settle.
    static void showOnGround(QWidget& view, QSize size, const QColor& ground) {
        QPalette palette = Theme::darkPalette();
        palette.setColor(QPalette::Window, ground);
        view.setPalette(palette);
        view.setAutoFillBackground(true);
        view.resize(size);
        view.show();
        TestSupport::drainEvents();
    }

    template <class T> static T* child(const QWidget& view, const QString& name) {
        const auto found = view.findChildren<T*>(name);
        for (T* widget : found)
            if (widget->isVisibleTo(&view))
                return widget;
        return nullptr;
    }

    static qsizetype visibleCount(const QWidget& view, const QString& name) {
        return std::ranges::count_if(view.findChildren<QWidget*>(name), [&](const QWidget* widget) {
            return widget->isVisibleTo(&view);
        });
    }

    static QStringList names(const QList<VoiceTile*>& tiles) {
        QStringList result;
        for (const VoiceTile* tile : tiles)
            result.append(tile->button().accessibleName());
        return result;
    }

    void choose(const QString& id, const QStringList& recent = {}) {
        Defaults::set(world.settings.keys.voiceID, id);
        Defaults::set(world.settings.keys.recentVoiceIDs, recent);
    }

    VoicesTesting::VoicesWorld world;
    TestSupport::ManualClock& clock = world.settings.clock;
    TestSupport::ManualScheduler& scheduler = world.settings.scheduler;
    MotionPreferences preferences;
    PointerMotion pointer{clock, scheduler};
    VoiceMeshTimeline timeline{scheduler, [this] { return Base::Date{800000000 + clock.now()}; }};
    VoiceViewContext context{
        {clock, scheduler, preferences}, timeline, pointer, world.settings.keys};
    TestSupport::FakeSecretStore secrets;
    QNetworkAccessManager session;
    Base::NotificationCenter notifications;
    TestSupport::PreferenceFakes preferenceFakes;
    SettingsServices services{secrets,
                              session,
                              QUrl(u"http://127.0.0.1:9"_qs),
                              notifications,
                              context.motion,
                              pointer,
                              {},
                              world.settings.keys,
                              preferenceFakes.registry,
                              preferenceFakes.loginItem,
                              preferenceFakes.desktopSettings,
                              preferenceFakes.recordings.recordings,
                              preferenceFakes.cache,
                              u"Parlino"_qs,
                              {},
                              {world.model, world.samples, timeline}};
    UrlRecorder urls;
    int apiKeyRequests = 0;
};

} // namespace

TEST_F(VoiceViewsTest, ThePaneFetchesWhenShownAndOffersEachFailuresControl) {
    auto view = pane(false);
    // Shown while idle: the fetch starts and the loading row stands in for the list.
    EXPECT_EQ(world.fetches.size(), 1u);
    EXPECT_NE(child<QWidget>(*view, u"VoicesLoadingRow"_qs), nullptr);
    EXPECT_EQ(child<QLineEdit>(*view, u"VoiceSearchField"_qs), nullptr);

    world.answerFetch(Base::failure(TTSError::network(u"offline"_qs)));
    auto* message = child<QLabel>(*view, u"VoicesFailureMessage"_qs);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->text(), u"Couldn't reach ElevenLabs — check your connection."_qs);
    auto* retry = child<QPushButton>(*view, u"RetryVoices"_qs);
    ASSERT_NE(retry, nullptr);
    retry->click();
    EXPECT_EQ(world.fetches.size(), 1u);
    EXPECT_NE(child<QWidget>(*view, u"VoicesLoadingRow"_qs), nullptr);

    world.answerFetch(Base::failure(TTSError::insufficientPermissions()));
    EXPECT_NE(child<QLabel>(*view, u"VoicesFailureMessage"_qs), nullptr);
    EXPECT_EQ(child<QPushButton>(*view, u"RetryVoices"_qs), nullptr);
    EXPECT_EQ(child<QAbstractButton>(*view, u"GoToAPIKey"_qs), nullptr);

    world.hasKey = false;
    view->hide();
    view->show();
    auto* goToKey = child<QAbstractButton>(*view, u"GoToAPIKey"_qs);
    ASSERT_NE(goToKey, nullptr);
    goToKey->click();
    EXPECT_EQ(apiKeyRequests, 1);
}

// Pressed from the keyboard, the link goes with its pane: the focus rests on the pane that comes,
// named after it, and goes on to the key field once the pane shows it.
TEST_F(VoiceViewsTest, TheSettingsShowTheVoicePaneWhoseKeyLinkSwitchesToTheKeyPane) {
    world.hasKey = false;
    SettingsNavigation navigation;
    SettingsView view(services, navigation, false, 0);
    view.show();
    QApplication::setActiveWindow(&view);
    navigation.setSelection(SettingsPane::voice);
    ASSERT_NE(dynamic_cast<VoicePane*>(view.detail()), nullptr);
    auto* goToKey = child<QAbstractButton>(*view.detail(), u"GoToAPIKey"_qs);
    ASSERT_NE(goToKey, nullptr);
    goToKey->setFocus(Qt::TabFocusReason);
    QTest::keyClick(goToKey, Qt::Key_Space);
    EXPECT_EQ(navigation.selection(), SettingsPane::apiKey);
    const QWidget* rest = QApplication::focusWidget();
    ASSERT_NE(dynamic_cast<const FocusRest*>(rest), nullptr);
    EXPECT_EQ(rest->accessibleName(), u"API Key"_qs);
    EXPECT_TRUE(TestSupport::pumpUntil([] {
        const QWidget* focus = QApplication::focusWidget();
        return focus && focus->objectName() == u"APIKeyField"_qs;
    }));
}

TEST_F(VoiceViewsTest, ALoadedPaneIsNotFetchedAgainUntilRefreshIsPressed) {
    world.load({voice(sarahID, u"Sarah"_qs)});
    auto view = pane(true);
    EXPECT_TRUE(world.fetches.empty());
    auto* refresh = child<QPushButton>(*view, u"RefreshVoices"_qs);
    ASSERT_NE(refresh, nullptr);
    refresh->click();
    EXPECT_EQ(world.fetches.size(), 1u);
    // Leaving the pane while its own fetch runs would put the old state back; the footer's
    // fetch is not the pane's and runs on.
    view->hide();
    world.answerFetch(QList<TTS::Voice>{});
    EXPECT_TRUE(world.model.state().voices().isEmpty());
    EXPECT_EQ(world.model.state().kind(), VoicesModel::FetchState::Kind::loaded);
}

TEST_F(VoiceViewsTest, AnEmptyListShowsOnlyTheSavedVoiceAsUnavailable) {
    choose(sarahID);
    world.load({});
    auto view = pane(false);
    EXPECT_EQ(names(view->tiles()), QStringList{u"Unknown voice, unavailable"_qs});
    EXPECT_EQ(view->tiles()[0]->button().availability(), VoiceAvailability::unavailable);
    EXPECT_TRUE(view->tiles()[0]->button().isSelected());
    EXPECT_EQ(child<QLabel>(*view, u"NoVoicesMatch"_qs), nullptr);
}

TEST_F(VoiceViewsTest, TheSearchFiltersTheTilesAndTheBanner) {
    choose(sarahID, {u"held"_qs});
    world.load({voice(sarahID, u"Sarah - Calm"_qs), voice(u"roger"_qs, u"Roger"_qs),
                voice(u"held"_qs, u"Hilda"_qs, u"cloned"_qs, true)});
    auto view = pane(false);
    EXPECT_EQ(names(view->tiles()), (QStringList{u"Sarah"_qs, u"Hilda, on hold"_qs, u"Roger"_qs,
                                                 u"Sarah"_qs, u"Hilda, on hold"_qs}));
    EXPECT_NE(child<QWidget>(*view, u"OnHoldBanner"_qs), nullptr);
    EXPECT_EQ(visibleCount(*view, u"VoiceDivider"_qs), 2);

    QTest::keyClicks(&view->searchField(), u"rog"_qs);
    EXPECT_EQ(names(view->tiles()), QStringList{u"Roger"_qs});
    EXPECT_EQ(child<QWidget>(*view, u"OnHoldBanner"_qs), nullptr);
    EXPECT_EQ(visibleCount(*view, u"VoiceDivider"_qs), 0);

    QTest::keyClicks(&view->searchField(), u"x"_qs);
    EXPECT_TRUE(view->tiles().isEmpty());
    EXPECT_NE(child<QLabel>(*view, u"NoVoicesMatch"_qs), nullptr);
    EXPECT_NE(child<QWidget>(*view, u"VoicePaneFooter"_qs), nullptr);
}

TEST_F(VoiceViewsTest, PressingATileChoosesTheVoiceAndPlaysItsSample) {
    choose(sarahID, {sarahID});
    const TTS::Voice roger = voice(u"roger"_qs, u"Roger"_qs);
    world.load({voice(sarahID, u"Sarah"_qs), roger});
    auto view = pane(false);
    VoiceTile* rogerTile = view->tiles()[1];
    ASSERT_EQ(rogerTile->content().voice, roger);
    QTest::mouseClick(&rogerTile->button(), Qt::LeftButton, {},
                      rogerTile->button().rect().center());
    EXPECT_EQ(world.samples.state(), SampleState::loading(roger.id));
    EXPECT_EQ(Defaults::get(world.settings.keys.voiceID), roger.id);
    EXPECT_EQ(Defaults::get(world.settings.keys.recentVoiceIDs), (QStringList{roger.id, sarahID}));
    TestSupport::drainEvents();
    ASSERT_EQ(view->content().topRow.size(), 2);
    EXPECT_EQ(view->content().topRow[0].tile.voice, roger);
    EXPECT_EQ(view->content().topRow[1].caption, u"Last used"_qs);
    VoiceTile* current = view->tiles()[0];
    EXPECT_TRUE(current->button().isSelected());
    EXPECT_TRUE(current->button().isLoading());

    // The sample's progress updates the tiles in place.
    world.finishSample();
    EXPECT_EQ(view->tiles()[0], current);
    EXPECT_FALSE(current->button().isLoading());
    EXPECT_TRUE(current->button().isPlaying());
}

// Chosen with Return, a voice moves into the top row and the pane is made anew: the focus stays on
// the voice, in the row where it was pressed, for Return pressed again.
TEST_F(VoiceViewsTest, AVoiceChosenFromTheKeyboardKeepsTheFocus) {
    choose(sarahID, {sarahID});
    world.load({voice(sarahID, u"Sarah"_qs), voice(u"roger"_qs, u"Roger"_qs)});
    auto view = pane(false);
    QApplication::setActiveWindow(view.get());
    const auto button = [&view](const QString& id, bool inTopRow) -> QWidget* {
        for (VoiceTile* tile : view->tiles())
            if (tile->content().voice.id == id && tile->hasCaptionLine() == inTopRow)
                return &tile->button();
        return nullptr;
    };
    for (const auto& [id, inTopRow] : {std::pair{u"roger"_qs, false}, {sarahID, true}}) {
        button(id, inTopRow)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_TRUE(TestSupport::pumpUntil([&] {
            return Defaults::get(world.settings.keys.voiceID) == id &&
                   view->content().topRow[0].tile.voice.id == id &&
                   QApplication::focusWidget() == button(id, inTopRow);
        }));
    }
}

// A refresh started elsewhere while the window is in the background takes the footer away: its
// focus rests on the pane, not on the first sidebar row, which Return would press once it is back.
TEST_F(VoiceViewsTest, AFocusOnWhatARefreshTakesAwayRestsOnThePaneInTheBackgroundToo) {
    world.load({voice(sarahID, u"Sarah"_qs)});
    SettingsNavigation navigation;
    navigation.setSelection(SettingsPane::voice);
    SettingsView view(services, navigation, false, 0);
    view.show();
    child<QPushButton>(*view.detail(), u"RefreshVoices"_qs)->setFocus(Qt::TabFocusReason);
    VoiceActions::refreshUnlessLoading(world.model);
    const auto* rest = dynamic_cast<const FocusRest*>(view.focusWidget());
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(rest->accessibleName(), u"Voice"_qs);
}

TEST_F(VoiceViewsTest, TheWindowLaysSixColumnsAndThePanelThree) {
    choose(u"none"_qs);
    world.load(VoicesTesting::manyVoices(12));
    for (const bool embedded : {false, true}) {
        auto view = pane(embedded);
        const int columns = VoicePane::columns(embedded);
        const QList<VoiceTile*>& tiles = view->tiles();
        ASSERT_GT(tiles.size(), columns + 1);
        // Tile 1 is the first of the built-in section, after the unknown current voice.
        const QList<VoiceTile*> section = tiles.mid(1);
        EXPECT_EQ(section[columns - 1]->y(), section[0]->y());
        EXPECT_EQ(section[columns - 1]->x() - section[0]->x(), (columns - 1) * 82);
        EXPECT_GT(section[columns]->y(), section[0]->y());
        EXPECT_EQ(section[columns]->x(), section[0]->x());
        // The content column keeps to its width limit, centred in the pane.
        const auto* column = view->findChild<QWidget*>(u"VoicePaneColumn"_qs);
        ASSERT_NE(column, nullptr);
        EXPECT_EQ(column->width(), VoicePane::contentWidth(embedded));
        EXPECT_NEAR(column->mapTo(view.get(), column->rect().center()).x(), view->width() / 2, 1);
    }
    EXPECT_EQ(VoicePane::contentWidth(false), 482);
    EXPECT_EQ(VoicePane::contentWidth(true), 236);
}

TEST_F(VoiceViewsTest, TheFooterAndBannerLinksOpenTheProvidersPages) {
    world.load({voice(u"held"_qs, u"Hilda"_qs, u"cloned"_qs, true)});
    auto view = pane(false);
    child<QAbstractButton>(*view, u"BrowseVoiceLibrary"_qs)->click();
    child<QAbstractButton>(*view, u"OpenYourVoices"_qs)->click();
    ASSERT_EQ(urls.opened.size(), 2);
    EXPECT_EQ(urls.opened[0].path(), u"/app/voice-library"_qs);
    EXPECT_EQ(urls.opened[1].path(), u"/app/voices"_qs);
}

TEST_F(VoiceViewsTest, TheSectionFetchesWhenShownAndExplainsAFailure) {
    world.hasKey = false;
    auto view = section();
    auto* message = child<QLabel>(*view, u"VoicesSectionMessage"_qs);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->text(), u"Add an API key in Settings to choose voices."_qs);
    EXPECT_GE(message->mapTo(view.get(), QPoint()).y(), 30);

    world.hasKey = true;
    view->hide();
    view->show();
    EXPECT_EQ(world.fetches.size(), 1u);
    EXPECT_NE(child<SmallSpinner>(*view, u"SmallSpinner"_qs), nullptr);
    world.answerFetch(QList<TTS::Voice>{});
    EXPECT_EQ(child<QLabel>(*view, u"VoicesSectionMessage"_qs)->text(),
              u"No built-in voices available on this account"_qs);
}

TEST_F(VoiceViewsTest, TheSectionScrollsToEveryVoiceOnAShortSheet) {
    world.load(VoicesTesting::manyVoices(60));
    for (const int height : {300, 170}) {
        auto view = section({420, height});
        ASSERT_EQ(view->cells().size(), 6);
        auto* scroll = view->findChild<QScrollArea*>();
        ASSERT_NE(scroll, nullptr);
        const QWidget& viewport = *scroll->viewport();
        QScrollBar& bar = *scroll->verticalScrollBar();
        EXPECT_EQ(bar.maximum() > 0, height < 200) << height;
        EXPECT_TRUE(TestSupport::hasCleanLayout(*view)) << height;

        bar.setValue(bar.maximum());
        TestSupport::drainEvents();
        const QRect last(view->cells().back()->mapTo(&viewport, QPoint()),
                         view->cells().back()->size());
        EXPECT_TRUE(viewport.rect().contains(last)) << height;
    }
}

TEST_F(VoiceViewsTest, SectionCellsChooseAndToggleTheirSample) {
    choose(sarahID);
    world.load(VoicesTesting::manyVoices(9));
    auto view = section();
    const QList<VoiceCell*>& cells = view->cells();
    ASSERT_EQ(cells.size(), 6);
    EXPECT_EQ(cells[2]->y(), cells[0]->y());
    EXPECT_GT(cells[3]->y(), cells[0]->y());
    EXPECT_EQ(cells[3]->x(), cells[0]->x());

    VoiceCell* cell = cells[1];
    const QString id = cell->content().voice.id;
    auto press = [&] {
        QTest::mouseClick(&cell->button(), Qt::LeftButton, {}, cell->button().rect().center());
    };
    press();
    EXPECT_EQ(world.samples.state(), SampleState::loading(id));
    world.finishSample();
    EXPECT_TRUE(cell->button().isPlaying());
    press();
    EXPECT_EQ(world.samples.state(), SampleState::idle());
    TestSupport::drainEvents();
    EXPECT_EQ(Defaults::get(world.settings.keys.voiceID), id);
    EXPECT_TRUE(view->cells()[1]->button().isSelected());
    // Assistive tools hear the chosen voice as the checked one of a choice.
    const auto voice = [&](int cell) {
        return QAccessible::queryAccessibleInterface(&view->cells()[cell]->button());
    };
    EXPECT_EQ(voice(1)->role(), QAccessible::RadioButton);
    EXPECT_TRUE(voice(1)->state().checked);
    EXPECT_FALSE(voice(0)->state().checked);
}

TEST_F(VoiceViewsTest, ViewsRenderInTheWindowAndThePanel) {
    const QString suite = u"VoiceViews"_qs;
    for (const int count : {3, 60}) {
        world.load(VoicesTesting::manyVoices(count));
        choose(u"voice-1"_qs, {u"voice-6"_qs, u"voice-4"_qs});
        TestSupport::drainEvents();
        for (const bool embedded : {false, true}) {
            auto view = pane(embedded, embedded ? QSize(320, 520) : QSize(560, 560));
            const QString form = embedded ? u"panel"_qs : u"window"_qs;
            for (const qreal ratio : {1.0, 2.0}) {
                const QImage image = TestSupport::renderScreenshot(
                    *view, ratio, suite, u"VoicePane-%1-%2"_qs.arg(form).arg(count));
                EXPECT_EQ(image.size(), view->size() * ratio);
            }
            // The chosen voice's selection ring is drawn in the accent colour.
            VoiceTile* current = view->tiles()[0];
            const QImage image = TestSupport::renderScreenshot(*view, 1, suite, u"probe"_qs);
            const QPoint ringTop = current->button().mapTo(
                view.get(),
                QPoint(current->button().width() / 2, int(current->button().metrics().margin)));
            EXPECT_GT(qBlue(image.pixel(ringTop)), 150);
        }
        auto panel = section();
        const QImage image =
            TestSupport::renderScreenshot(*panel, 2, suite, u"VoicesSectionView-%1"_qs.arg(count));
        EXPECT_EQ(image.size(), panel->size() * 2);
        // The faint white wash lies over the panel's dark ground.
        EXPECT_NEAR(qRed(image.pixel(2, 2)), Theme::white045().alpha(), 2);
    }
}

#include "VoiceViewsTests.moc"
