#include "Parlino/Settings/VoicesContent.h"

#include "VoicesTesting.h"

#include <gtest/gtest.h>

using namespace Parlino;
using Core::TTSError;
using FailureKind = VoicesModel::FailureKind;
using FetchState = VoicesModel::FetchState;
using SampleState = VoiceSamplePlayer::State;
using VoicesTesting::voice;

namespace {

const QString sarahID = u"EXAVITQu4vr4xnSDxMaL"_qs;
const TTS::Voice sarah = voice(sarahID, u"Sarah - Mature, Reassuring"_qs);
const TTS::Voice george = voice(u"JBFqnCBsd6RMkjVDRZzb"_qs, u"George"_qs);
const TTS::Voice held = voice(u"held"_qs, u"Hilda - Warm"_qs, u"cloned"_qs, true);
const TTS::Voice mine = voice(u"mine"_qs, u"Mina"_qs, u"generated"_qs);

QStringList tileNames(const VoicePaneContent& content) {
    QStringList names;
    for (const auto& entry : content.topRow)
        names.append(entry.tile.accessibleName());
    for (const auto& section : content.sections) {
        names.append(u'[' + section.header() + u']');
        for (const auto& tile : section.tiles)
            names.append(tile.accessibleName());
    }
    return names;
}

VoicePaneContent pane(const QList<TTS::Voice>& voices, const QString& search = {},
                      const VoiceChoice& choice = {sarahID, {}},
                      const SampleState& sample = SampleState::idle()) {
    return VoicePaneContent::make(FetchState::loaded(voices), sample, choice, search);
}

} // namespace

TEST(VoicePaneContentTest, EachStateBeforeTheListShowsItsRowMessageAndControl) {
    const VoiceChoice choice{sarahID, {}};
    for (const FetchState& state : {FetchState::idle(), FetchState::loading()})
        EXPECT_EQ(VoicePaneContent::make(state, SampleState::idle(), choice, {}).kind,
                  VoicePaneContent::Kind::loading);

    using Control = VoicePaneFailure::Control;
    const struct {
        FailureKind kind;
        QString message;
        bool alarming;
        Control control;
    } failures[] = {
        {FailureKind::noKey, u"No API key — add one in the API Key pane to choose voices."_qs,
         false, Control::goToAPIKey},
        {FailureKind::network, u"Couldn't reach ElevenLabs — check your connection."_qs, true,
         Control::retry},
        {FailureKind::permission,
         u"This key can't list voices — your current voice keeps working."_qs, false,
         Control::none},
        {FailureKind::other,
         u"ElevenLabs is having trouble right now — please try again in a moment."_qs, true,
         Control::retry},
    };
    for (const auto& failure : failures) {
        const auto content = VoicePaneContent::make(FetchState::failed(failure.kind),
                                                    SampleState::idle(), choice, {});
        EXPECT_EQ(content.kind, VoicePaneContent::Kind::failed);
        ASSERT_TRUE(content.failure);
        EXPECT_EQ(content.failure->message, failure.message);
        EXPECT_EQ(content.failure->isAlarming, failure.alarming);
        EXPECT_EQ(content.failure->control, failure.control);
        EXPECT_FALSE(content.showsNoMatch());
        EXPECT_EQ(content.tileCount(), 0);
    }
}

TEST(VoicePaneContentTest, AnEmptyListStillShowsTheSavedVoiceAsUnavailable) {
    const auto content = pane({});
    EXPECT_EQ(content.kind, VoicePaneContent::Kind::browser);
    ASSERT_EQ(content.topRow.size(), 1);
    const VoiceTileContent& tile = content.topRow[0].tile;
    EXPECT_EQ(content.topRow[0].caption, u"Current"_qs);
    EXPECT_EQ(tile.voice.id, sarahID);
    EXPECT_TRUE(tile.isSelected);
    EXPECT_TRUE(tile.isUnavailable);
    EXPECT_EQ(tile.availability(), VoiceAvailability::unavailable);
    EXPECT_EQ(tile.status(), u"unavailable"_qs);
    EXPECT_EQ(tile.accessibleName(), u"Unknown voice, unavailable"_qs);
    EXPECT_TRUE(content.sections.isEmpty());
    EXPECT_FALSE(content.showsNoMatch());
    EXPECT_FALSE(content.showsOnHoldBanner);
}

TEST(VoicePaneContentTest, TilesCarryTheirSelectionHoldAndSampleMarks) {
    const VoiceChoice choice{george.id, {held.id, sarahID}};
    const auto content =
        pane({sarah, george, held, mine}, {}, choice, SampleState::playing(held.id));
    EXPECT_EQ(tileNames(content),
              (QStringList{u"George"_qs, u"Hilda, on hold"_qs, u"Sarah"_qs, u"[Built-in]"_qs,
                           u"George"_qs, u"Sarah"_qs, u"[Your Voices]"_qs, u"Hilda, on hold"_qs,
                           u"Mina"_qs}));
    EXPECT_EQ(content.topRow[1].caption, u"Last used"_qs);
    EXPECT_EQ(content.topRow[2].caption, std::nullopt);
    EXPECT_TRUE(content.showsOnHoldBanner);

    const VoiceTileContent& current = content.topRow[0].tile;
    EXPECT_TRUE(current.isSelected);
    EXPECT_FALSE(current.isUnavailable);
    const VoiceTileContent& onHold = content.sections[1].tiles[0];
    EXPECT_TRUE(onHold.isOnHold);
    EXPECT_TRUE(onHold.isPlaying);
    EXPECT_FALSE(onHold.isLoading);
    EXPECT_EQ(onHold.availability(), VoiceAvailability::onHold);
    EXPECT_EQ(onHold.status(), u"on hold"_qs);
    EXPECT_FALSE(content.sections[0].tiles[0].isPlaying);

    const auto loading = pane({sarah, george}, {}, choice, SampleState::loading(sarahID));
    EXPECT_TRUE(loading.sections[0].tiles[1].isLoading);
    EXPECT_FALSE(loading.sections[0].tiles[1].isPlaying);
    EXPECT_FALSE(loading.showsOnHoldBanner);
}

TEST(VoicePaneContentTest, TheSearchFiltersTilesAndTheBannerFollowsWhatIsShown) {
    const QList<TTS::Voice> voices{sarah, george, held, mine};
    const VoiceChoice choice{sarahID, {held.id}};

    const auto georges = pane(voices, u"  geo\t"_qs, choice);
    EXPECT_EQ(tileNames(georges), (QStringList{u"[Built-in]"_qs, u"George"_qs}));
    EXPECT_FALSE(georges.showsOnHoldBanner);
    EXPECT_FALSE(georges.showsNoMatch());

    const auto hilda = pane(voices, u"HIL"_qs, choice);
    EXPECT_EQ(tileNames(hilda),
              (QStringList{u"Hilda, on hold"_qs, u"[Your Voices]"_qs, u"Hilda, on hold"_qs}));
    EXPECT_TRUE(hilda.showsOnHoldBanner);

    const auto nothing = pane(voices, u"zebra"_qs, choice);
    EXPECT_TRUE(nothing.showsNoMatch());
    EXPECT_EQ(nothing.tileCount(), 0);
    EXPECT_FALSE(nothing.showsOnHoldBanner);
}

TEST(VoicePaneContentTest, SampleAndSelectionChangesKeepTheShapeButTheSearchDoesNot) {
    const QList<TTS::Voice> voices{sarah, george, held, mine};
    const VoiceChoice choice{sarahID, {george.id}};
    const auto base = pane(voices, {}, choice);
    EXPECT_TRUE(base.hasSameShape(pane(voices, {}, choice, SampleState::loading(george.id))));
    EXPECT_NE(base, pane(voices, {}, choice, SampleState::loading(george.id)));
    EXPECT_FALSE(base.hasSameShape(pane(voices, u"s"_qs, choice)));
    // Choosing another voice reorders the top row.
    EXPECT_FALSE(base.hasSameShape(pane(voices, {}, {george.id, {sarahID}})));
    EXPECT_FALSE(base.hasSameShape(
        VoicePaneContent::make(FetchState::loading(), SampleState::idle(), choice, {})));
}

TEST(VoicesSectionContentTest, StatesBeforeTheGridShowASpinnerOrTheirMessage) {
    EXPECT_EQ(VoicesSectionContent::make(FetchState::loading(), SampleState::idle(), sarahID).kind,
              VoicesSectionContent::Kind::loading);
    const auto idle = VoicesSectionContent::make(FetchState::idle(), SampleState::idle(), sarahID);
    EXPECT_EQ(idle.kind, VoicesSectionContent::Kind::grid);
    EXPECT_TRUE(idle.cells.isEmpty());

    const std::pair<FailureKind, QString> messages[] = {
        {FailureKind::noKey, u"Add an API key in Settings to choose voices."_qs},
        {FailureKind::network, u"Couldn't reach ElevenLabs — check your connection."_qs},
        {FailureKind::permission,
         u"This key can't list voices — your current voice keeps working."_qs},
        {FailureKind::other, u"ElevenLabs is having trouble right now — try again in a moment."_qs},
    };
    for (const auto& [kind, message] : messages) {
        const auto content =
            VoicesSectionContent::make(FetchState::failed(kind), SampleState::idle(), sarahID);
        EXPECT_EQ(content.kind, VoicesSectionContent::Kind::message);
        EXPECT_EQ(content.message, message);
    }

    const auto empty =
        VoicesSectionContent::make(FetchState::loaded({held}), SampleState::idle(), sarahID);
    EXPECT_EQ(empty.kind, VoicesSectionContent::Kind::message);
    EXPECT_EQ(empty.message, u"No built-in voices available on this account"_qs);
}

TEST(VoicesSectionContentTest, CellsShowTheFeaturedVoicesWithTheirMarks) {
    const TTS::Voice heldSarah = voice(sarahID, sarah.name, u"premade"_qs, true);
    const auto content = VoicesSectionContent::make(FetchState::loaded({heldSarah, george, mine}),
                                                    SampleState::loading(mine.id), george.id);
    ASSERT_EQ(content.kind, VoicesSectionContent::Kind::grid);
    ASSERT_EQ(content.cells.size(), 3);
    EXPECT_EQ(content.cells[0].accessibleName(), u"Sarah, Mature, Reassuring, on hold"_qs);
    EXPECT_FALSE(content.cells[0].isSelected);
    EXPECT_EQ(content.cells[1].accessibleName(), u"George"_qs);
    EXPECT_TRUE(content.cells[1].isSelected);
    EXPECT_EQ(content.cells[1].availability, VoiceAvailability::available);
    EXPECT_TRUE(content.cells[2].isLoading);
    EXPECT_FALSE(content.cells[2].isPlaying);

    VoiceCellContent missing{
        {u"gone"_qs, u"Gone"_qs, u"soft"_qs, {}, 0}, false, VoiceAvailability::unavailable};
    EXPECT_EQ(missing.accessibleName(), u"Gone, soft, unavailable"_qs);
}

class VoiceActionsTest : public ::testing::Test {
protected:
    QString chosen() const { return Defaults::get(world.settings.keys.voiceID); }
    QStringList recent() const { return Defaults::get(world.settings.keys.recentVoiceIDs); }

    VoicesTesting::VoicesWorld world;
};

TEST_F(VoiceActionsTest, APressChoosesTheVoiceAndKeepsSixRecentVoicesWithoutDuplicates) {
    for (const QString& id : {u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs, u"e"_qs, u"f"_qs, u"g"_qs})
        VoiceActions::press(voice(id, id, u"premade"_qs, false, false), world.samples,
                            world.settings.keys);
    EXPECT_EQ(chosen(), u"g"_qs);
    EXPECT_EQ(recent(), (QStringList{u"g"_qs, u"f"_qs, u"e"_qs, u"d"_qs, u"c"_qs, u"b"_qs}));

    VoiceActions::press(voice(u"d"_qs, u"D"_qs, u"premade"_qs, false, false), world.samples,
                        world.settings.keys);
    EXPECT_EQ(chosen(), u"d"_qs);
    EXPECT_EQ(recent(), (QStringList{u"d"_qs, u"g"_qs, u"f"_qs, u"e"_qs, u"c"_qs, u"b"_qs}));
    // None of these voices has a preview address: nothing was played.
    EXPECT_EQ(world.samples.state(), SampleState::idle());
}

TEST_F(VoiceActionsTest, APressTogglesTheVoiceSample) {
    VoiceActions::press(george, world.samples, world.settings.keys);
    EXPECT_EQ(world.samples.state(), SampleState::loading(george.id));
    world.finishSample();
    EXPECT_EQ(world.requested, QList<QUrl>{*george.previewURL});
    EXPECT_EQ(world.samples.state(), SampleState::playing(george.id));

    VoiceActions::press(george, world.samples, world.settings.keys);
    EXPECT_EQ(world.samples.state(), SampleState::idle());
    EXPECT_EQ(chosen(), george.id);

    VoiceActions::press(sarah, world.samples, world.settings.keys);
    VoiceActions::press(george, world.samples, world.settings.keys);
    EXPECT_EQ(world.samples.state(), SampleState::loading(george.id));
    EXPECT_EQ(recent(), (QStringList{george.id, sarahID}));
}

TEST_F(VoiceActionsTest, AFeaturedPressPlaysTheLoadedVoicesSampleOrOnlySelects) {
    const FetchState loaded = FetchState::loaded({sarah, george});
    const CuratedVoice featuredGeorge{george.id, u"George"_qs, {}, {}, 1};
    VoiceActions::press(featuredGeorge, loaded, world.samples, world.settings.keys);
    EXPECT_EQ(world.samples.state(), SampleState::loading(george.id));
    world.finishSample();
    EXPECT_EQ(world.requested, QList<QUrl>{*george.previewURL});
    VoiceActions::press(featuredGeorge, loaded, world.samples, world.settings.keys);
    EXPECT_EQ(world.samples.state(), SampleState::idle());

    // Before the list is loaded there is no address to play from.
    VoiceActions::press(featuredGeorge, FetchState::loading(), world.samples, world.settings.keys);
    EXPECT_EQ(world.samples.state(), SampleState::idle());
    EXPECT_EQ(chosen(), george.id);
    EXPECT_EQ(recent(), QStringList{george.id});
}

TEST_F(VoiceActionsTest, ShowingFetchesOnlyWithoutAListAndLeavingPutsTheStateBack) {
    world.load({sarah});
    VoiceActions::refreshOnShow(world.model, {});
    EXPECT_TRUE(world.fetches.empty());

    world.fail(TTSError::network(u"offline"_qs));
    std::stop_source leave;
    VoiceActions::refreshOnShow(world.model, leave.get_token());
    EXPECT_EQ(world.model.state(), FetchState::loading());
    VoiceActions::refreshOnShow(world.model, {});
    EXPECT_EQ(world.fetches.size(), 1u);
    leave.request_stop();
    world.answerFetch(QList<TTS::Voice>{sarah});
    EXPECT_EQ(world.model.state(), FetchState::failed(FailureKind::network));

    world.hasKey = false;
    VoiceActions::refreshOnShow(world.model, {});
    EXPECT_EQ(world.model.state(), FetchState::failed(FailureKind::noKey));
}

TEST_F(VoiceActionsTest, RetryAndRefreshFetchAgainUnlessAFetchRuns) {
    world.load({sarah});
    VoiceActions::refreshUnlessLoading(world.model);
    EXPECT_EQ(world.model.state(), FetchState::loading());
    VoiceActions::refreshUnlessLoading(world.model);
    EXPECT_EQ(world.fetches.size(), 1u);
    world.answerFetch(QList<TTS::Voice>{sarah, george});
    EXPECT_EQ(world.model.state(), FetchState::loaded({sarah, george}));
}
