#include "Parlino/Settings/VoiceSections.h"

#include <gtest/gtest.h>

using namespace Parlino;
using TTS::Voice;
using Kind = VoiceSection::Kind;

namespace {

Voice voice(const QString& id, const QString& name, const QString& category = u"premade"_qs,
            std::optional<QString> safetyControl = std::nullopt) {
    return {id, name, category, std::move(safetyControl), std::nullopt};
}

Voice own(const QString& id, const QString& name, bool onHold = false) {
    return voice(id, name, u"cloned"_qs,
                 onHold ? std::optional<QString>(u"CAPTCHA"_qs) : std::nullopt);
}

QStringList ids(const QList<Voice>& voices) {
    QStringList result;
    for (const Voice& v : voices)
        result.append(v.id);
    return result;
}

QStringList ids(const QList<CuratedVoice>& featured) {
    QStringList result;
    for (const CuratedVoice& v : featured)
        result.append(v.id);
    return result;
}

// The curated voices, named so that name order differs from their table order.
const Voice sarah = voice(u"EXAVITQu4vr4xnSDxMaL"_qs, u"Sarah - Mature, Reassuring"_qs);
const Voice george = voice(u"JBFqnCBsd6RMkjVDRZzb"_qs, u"George"_qs);
const Voice alice = voice(u"Xb7hH8MSUJpSbSDYk0k2"_qs, u"Alice – Clear"_qs);
const Voice charlie = voice(u"IKne3meq5aSn9XLyUdCD"_qs, u"Charlie"_qs);
const Voice jessica = voice(u"SAz9YHcvj6GT2YYXdXww"_qs, u"Jessica"_qs);
const Voice daniel = voice(u"pqHfZKP75CvOlQylNhV4"_qs, u"Bill"_qs); // the fallback voice

} // namespace

TEST(VoiceSectionsTest, GroupsBuiltInFirstSortedByNameAndSearched) {
    const QList<Voice> voices{voice(u"p1"_qs, u"zed"_qs),
                              own(u"c1"_qs, u"Joanne"_qs),
                              voice(u"g1"_qs, u"Bea"_qs, u"generated"_qs),
                              voice(u"e1"_qs, u"anna"_qs, QString()),
                              voice(u"P1"_qs, u"Annabel"_qs, u"Premade"_qs),
                              voice(u"p2"_qs, u"Anna"_qs),
                              voice(u"p3"_qs, u"anna"_qs)};

    const auto all = VoiceSections::sections(voices, {});
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0].kind, Kind::builtIn);
    EXPECT_EQ(ids(all[0].voices), QStringList({u"p2"_qs, u"p3"_qs, u"p1"_qs}));
    EXPECT_EQ(all[1].kind, Kind::yours);
    EXPECT_EQ(ids(all[1].voices), QStringList({u"e1"_qs, u"P1"_qs, u"g1"_qs, u"c1"_qs}));
    EXPECT_EQ(VoiceSection::rawValue(Kind::builtIn), u"Built-in");
    EXPECT_EQ(VoiceSection::rawValue(Kind::yours), u"Your Voices");

    const auto ann = VoiceSections::sections(voices, u"  ann\t"_qs);
    ASSERT_EQ(ann.size(), 2);
    EXPECT_EQ(ids(ann[0].voices), QStringList({u"p2"_qs, u"p3"_qs}));
    EXPECT_EQ(ids(ann[1].voices), QStringList({u"e1"_qs, u"P1"_qs, u"c1"_qs}));

    const auto builtInOnly = VoiceSections::sections(voices, u"ZE"_qs);
    ASSERT_EQ(builtInOnly.size(), 1);
    EXPECT_EQ(builtInOnly[0].kind, Kind::builtIn);

    EXPECT_TRUE(VoiceSections::sections(voices, u"p1"_qs).isEmpty());    // ids are not searched
    EXPECT_TRUE(VoiceSections::sections(voices, u"ann\n"_qs).isEmpty()); // line breaks count
    EXPECT_TRUE(VoiceSections::sections({}, {}).isEmpty());
}

TEST(VoiceSectionsTest, TopRowShowsCurrentThenTwoDistinctRecentVoices) {
    const Voice current = voice(u"cur"_qs, u"Current Voice"_qs);
    const Voice a = voice(u"a"_qs, u"Amber"_qs);
    const Voice b = own(u"b"_qs, u"Basil"_qs);
    const Voice c = voice(u"c"_qs, u"Cyril"_qs);
    const QList<Voice> voices{c, b, a, current};
    const QStringList recent{u"cur"_qs, u"a"_qs, u"a"_qs, u"gone"_qs, u"b"_qs, u"c"_qs};
    using Tile = VoiceSections::TopRowTile;

    EXPECT_EQ(VoiceSections::topRow(voices, u"cur"_qs, recent, {}),
              QList<Tile>({{current, u"Current"_qs}, {a, u"Last used"_qs}, {b, std::nullopt}}));
    // A recent tile that fails the search is dropped, not replaced by a later recent voice.
    EXPECT_EQ(VoiceSections::topRow(voices, u"cur"_qs, recent, u" basil "_qs),
              QList<Tile>({{b, std::nullopt}}));
    EXPECT_EQ(VoiceSections::topRow(voices, u"cur"_qs, recent, u"R"_qs),
              QList<Tile>({{current, u"Current"_qs}, {a, u"Last used"_qs}}));

    const Voice unknown{u"missing"_qs, u"Unknown voice"_qs, QString(), std::nullopt, std::nullopt};
    EXPECT_EQ(VoiceSections::topRow(voices, u"missing"_qs, {u"c"_qs}, {}),
              QList<Tile>({{unknown, u"Current"_qs}, {c, u"Last used"_qs}}));
    EXPECT_EQ(VoiceSections::topRow(voices, u"missing"_qs, {u"c"_qs}, u"unknown"_qs),
              QList<Tile>({{unknown, u"Current"_qs}}));
    EXPECT_EQ(VoiceSections::topRow(voices, u"missing"_qs, {}, u"cyr"_qs), QList<Tile>());
}

TEST(VoiceSectionsTest, FeaturedListPrefersCuratedThenOwnVoice) {
    const QList<Voice> others{voice(u"o1"_qs, u"Aaron"_qs),  voice(u"o2"_qs, u"Brian"_qs),
                              voice(u"o3"_qs, u"Callum"_qs), voice(u"o4"_qs, u"Dorothy"_qs),
                              voice(u"o5"_qs, u"Emily"_qs),  voice(u"o6"_qs, u"Fin"_qs),
                              voice(u"o7"_qs, u"Grace"_qs)};
    const QStringList curatedIDs{sarah.id, george.id, alice.id, charlie.id, jessica.id};

    // Every curated voice present, no own voice: the curated five, then the fallback voice.
    EXPECT_EQ(ids(VoiceSections::build({jessica, daniel, charlie, alice, george, sarah}, 6)),
              curatedIDs + QStringList{daniel.id});
    // With an own voice, the first one in name order that is not on hold takes the last place.
    EXPECT_EQ(ids(VoiceSections::build({own(u"y1"_qs, u"Zoe"_qs), own(u"y2"_qs, u"Anne"_qs, true),
                                        own(u"y3"_qs, u"Mo"_qs), jessica, daniel, charlie, alice,
                                        george, sarah},
                                       6)),
              curatedIDs + QStringList{u"y3"_qs});
    // All own voices on hold: the fallback voice, not the first other built-in voice by name.
    EXPECT_EQ(ids(VoiceSections::build({own(u"y1"_qs, u"Zoe"_qs, true), others[0], jessica, daniel,
                                        charlie, alice, george, sarah},
                                       6)),
              curatedIDs + QStringList{daniel.id});

    // Three curated voices, no own voice: two other built-ins by name keep the last place free;
    // the fallback voice among them is not offered twice, and the next built-in fills up.
    QList<Voice> three{sarah, alice, jessica, daniel};
    three += others;
    EXPECT_EQ(ids(VoiceSections::build(three, 6)),
              QStringList({sarah.id, alice.id, jessica.id, others[0].id, daniel.id, others[1].id}));

    // No curated voice, seven others and one own voice.
    QList<Voice> noCurated = others;
    noCurated.append(own(u"y1"_qs, u"Zoe"_qs));
    EXPECT_EQ(ids(VoiceSections::build(noCurated, 6)),
              QStringList({u"o1"_qs, u"o2"_qs, u"o3"_qs, u"o4"_qs, u"o5"_qs, u"y1"_qs}));
}

TEST(VoiceSectionsTest, FeaturedListLimits) {
    const Voice mine = own(u"y1"_qs, u"Zoe"_qs);
    const Voice other = voice(u"o1"_qs, u"Aaron"_qs);
    EXPECT_EQ(ids(VoiceSections::build({other, mine, george}, 1)), QStringList{george.id});
    EXPECT_EQ(ids(VoiceSections::build({other, mine, daniel}, 1)), QStringList{mine.id});
    EXPECT_EQ(ids(VoiceSections::build({other, daniel}, 1)), QStringList{daniel.id});
    EXPECT_EQ(ids(VoiceSections::build({other}, 1)), QStringList{other.id});
    EXPECT_TRUE(VoiceSections::build({other, george}, 0).isEmpty());
    EXPECT_TRUE(VoiceSections::build({}, 6).isEmpty());
}

TEST(VoiceSectionsTest, FeaturedEntriesCarrySplitNamesAndTheirOrder) {
    EXPECT_EQ(VoiceSections::build({alice, sarah, own(u"y1"_qs, u"  Me — myself  "_qs)}, 6),
              QList<CuratedVoice>({{sarah.id, u"Sarah"_qs, u"Mature, Reassuring"_qs, {}, 0},
                                   {alice.id, u"Alice"_qs, u"Clear"_qs, {}, 1},
                                   {u"y1"_qs, u"Me"_qs, u"myself"_qs, {}, 2}}));
}

TEST(VoiceSectionsTest, SplitsNamesAtTheEarliestSeparator) {
    const auto split = [](const QString& name) { return splitVoiceName(name); };
    EXPECT_EQ(split(u"  Rachel - calm, young \t"_qs),
              (VoiceNameParts{u"Rachel"_qs, u"calm, young"_qs}));
    EXPECT_EQ(split(u"Ann – warm"_qs), (VoiceNameParts{u"Ann"_qs, u"warm"_qs}));
    EXPECT_EQ(split(u"Ann — narrator – warm"_qs),
              (VoiceNameParts{u"Ann"_qs, u"narrator – warm"_qs}));
    EXPECT_EQ(split(u"Ann – a - b"_qs), (VoiceNameParts{u"Ann"_qs, u"a - b"_qs}));
    EXPECT_EQ(split(u"Ann\u00A0 -  \u3000x"_qs), (VoiceNameParts{u"Ann"_qs, u"x"_qs}));
    EXPECT_EQ(split(u" Ann-Bob "_qs), (VoiceNameParts{u"Ann-Bob"_qs, std::nullopt}));
    EXPECT_EQ(split(u"Ann -Bob"_qs), (VoiceNameParts{u"Ann -Bob"_qs, std::nullopt}));
    EXPECT_EQ(split(u"Ann -  "_qs), (VoiceNameParts{u"Ann -"_qs, std::nullopt}));
    EXPECT_EQ(split(u" - x"_qs), (VoiceNameParts{u"- x"_qs, std::nullopt}));
    EXPECT_EQ(split(u"A\n - b"_qs), (VoiceNameParts{u"A\n"_qs, u"b"_qs}));
    EXPECT_EQ(split(QString()), (VoiceNameParts{QString(), std::nullopt}));
}
