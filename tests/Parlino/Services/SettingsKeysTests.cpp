#include "Parlino/Services/AppVersion.h"
#include "Parlino/Services/PanelFontChoice.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Services/TranscriptCaseChoice.h"

#include "Parlino/Services/ServicesTesting.h"
#include "support/Printers.h"

#include <QFontInfo>
#include <QLocale>

#include <gtest/gtest.h>

using namespace Parlino;
using ServicesTesting::TestSettings;

namespace {

TEST(SettingsKeys, FreshSuiteReadsEveryDefaultWithoutStoringAny) {
    TestSettings settings;
    const auto& keys = settings.keys;
    EXPECT_EQ(Defaults::get(keys.confirmThreshold), 1000);
    EXPECT_EQ(Defaults::get(keys.voiceID), QStringLiteral("EXAVITQu4vr4xnSDxMaL"));
    EXPECT_EQ(
        Defaults::get(keys.denyListBundleIDs),
        QStringList({"com.1password.1password", "com.agilebits.onepassword7",
                     "com.bitwarden.desktop", "com.lastpass.LastPass", "org.keepassxc.keepassxc"}));
    EXPECT_EQ(Defaults::get(keys.panelFontSize), 15);
    EXPECT_EQ(Defaults::get(keys.tapModifier), QStringLiteral("rightCommand"));
    EXPECT_TRUE(Defaults::get(keys.rightCommandDoubleTapReplayEnabled));
    EXPECT_FALSE(Defaults::get(keys.showInDock));
    // All 23 keys with a default are registered in the suite, and nothing is written.
    EXPECT_EQ(settings.suite->dictionaryRepresentation().size(), 23);
    EXPECT_EQ(settings.suite->objectForKey(QStringLiteral("voiceID")),
              Base::PropertyValue(QStringLiteral("EXAVITQu4vr4xnSDxMaL")));
    settings.suite->flush();
    EXPECT_FALSE(QFile::exists(settings.suite->filePath()));
}

TEST(SettingsKeys, DefaultSpeedIsSeededOnceFromTheStoredSpeed) {
    TestSettings settings;
    const auto& keys = settings.keys;
    Defaults::set(keys.playbackRate, 1.5);
    seedDefaultPlaybackRate(keys);
    EXPECT_EQ(Defaults::get(keys.defaultPlaybackRate), 1.5);
    EXPECT_TRUE(Defaults::get(keys.playbackDefaultSeeded));

    Defaults::set(keys.playbackRate, 0.75);
    seedDefaultPlaybackRate(keys);
    EXPECT_EQ(Defaults::get(keys.defaultPlaybackRate), 1.5);
}

TEST(SettingsKeys, SpeedCycleStepsWrapsAndSnapsOffStepRates) {
    const std::vector<std::pair<double, double>> cases{
        {1.0, 1.25}, {1.0005, 1.25}, {2.0, 0.5}, {1.9995, 0.5}, {0.5, 0.75},
        {0.6, 0.75}, {0.3, 0.5},     {2.5, 1.0}, {-1, 0.5},     {std::nan(""), 1.0}};
    for (const auto& [rate, next] : cases)
        EXPECT_EQ(nextPlaybackRate(rate), next) << rate;
}

TEST(TranscriptCase, TitleCaseRaisesTheFirstLetterAfterWhiteSpace) {
    using TranscriptCaseChoices::apply;
    const auto title = TranscriptCaseChoice::titleCase;
    EXPECT_EQ(apply(title, QStringLiteral("hello  wORLD\n(quoted) 3d éclair")),
              QStringLiteral("Hello  WORLD\n(Quoted) 3D Éclair"));
    EXPECT_EQ(apply(title, QStringLiteral("tail end"), U'x'), QStringLiteral("tail End"));
    EXPECT_EQ(apply(title, QStringLiteral("new word"), U' '), QStringLiteral("New Word"));
    // A letter with a combining mark is one character: the mark stays with it.
    EXPECT_EQ(apply(title, QStringLiteral("e\u0301t\u00E9")), QStringLiteral("E\u0301t\u00E9"));
    EXPECT_EQ(apply(TranscriptCaseChoice::preserve, QStringLiteral("mIxEd")),
              QStringLiteral("mIxEd"));
    EXPECT_EQ(apply(TranscriptCaseChoice::allCaps, QStringLiteral("mIxEd")),
              QLocale().toUpper(QStringLiteral("mIxEd")));
}

TEST(StoredChoices, UnrecognisedRawValuesNameNoChoice) {
    EXPECT_EQ(PanelFontChoices::fromRawValue(QStringLiteral("sfRounded")),
              PanelFontChoice::sfRounded);
    EXPECT_EQ(PanelFontChoices::fromRawValue(QStringLiteral("SFPro")), std::nullopt);
    EXPECT_EQ(TranscriptCaseChoices::fromRawValue(QStringLiteral("allCaps")),
              TranscriptCaseChoice::allCaps);
    EXPECT_EQ(TranscriptCaseChoices::fromRawValue(QStringLiteral("upper")), std::nullopt);
}

TEST(StoredChoices, PanelFontsHaveTheirDesignAtTheGivenPixelSize) {
    for (const auto choice : PanelFontChoices::allCases())
        EXPECT_EQ(PanelFontChoices::font(choice, 15).pixelSize(), 15);
    EXPECT_TRUE(QFontInfo(PanelFontChoices::font(PanelFontChoice::sfMono, 15)).fixedPitch());
    EXPECT_EQ(PanelFontChoices::font(PanelFontChoice::newYork, 15).styleHint(), QFont::Serif);
}

TEST(AppVersion, LabelNamesWhatIsKnown) {
    EXPECT_EQ(AppVersion::label({}, {}), QStringLiteral("Parlino"));
    EXPECT_EQ(AppVersion::label({}, QStringLiteral("45")), QStringLiteral("Parlino build 45"));
    EXPECT_EQ(AppVersion::label(QStringLiteral("1.2"), {}), QStringLiteral("Parlino 1.2"));
    EXPECT_EQ(AppVersion::label(QStringLiteral("1.2"), QStringLiteral("45")),
              QStringLiteral("Parlino 1.2 (45)"));
}

} // namespace
