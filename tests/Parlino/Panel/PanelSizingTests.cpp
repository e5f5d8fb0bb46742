#include "Parlino/Panel/PanelSizing.h"

#include <gtest/gtest.h>

using namespace Parlino;
using namespace Parlino::PanelSizing;
using Kind = PlayerViewModel::Phase::Kind;

namespace {

// A top band deeper than the header row, as under a notch.
SheetInputs reading(qreal textHeight, qreal inset = 40) {
    SheetInputs inputs;
    inputs.phase = Kind::playing;
    inputs.topContentInset = inset;
    inputs.textHeight = textHeight;
    inputs.screenHeight = 900;
    return inputs;
}

} // namespace

TEST(PanelSizing, givesCardsAndTheOtherModesTheirFixedBodies) {
    for (const Kind card : {Kind::confirmingLength, Kind::failed}) {
        SheetInputs inputs = reading(400);
        inputs.phase = card;
        inputs.contentMode = PanelContentMode::clips;
        EXPECT_EQ(panelSheetSize(inputs), QSizeF(496, 64));
        EXPECT_EQ(panelHeight(inputs), 40 + 96);
    }
    for (const auto mode :
         {PanelContentMode::settings, PanelContentMode::clips, PanelContentMode::voices}) {
        SheetInputs inputs = reading(400);
        inputs.contentMode = mode;
        EXPECT_EQ(panelSheetSize(inputs), QSizeF(496, 263));
        EXPECT_EQ(panelHeight(inputs), 40 + 295);
    }
}

TEST(PanelSizing, keepsTheTranscriptBlockBetweenALineAndTheScreensShare) {
    // A one-line transcript still gets 28 pt.
    EXPECT_EQ(readingContentHeight(reading(0)), 72);
    EXPECT_EQ(readingContentHeight(reading(100)), 144);
    // A long one stops at 38 % of a short screen, plus the control bar.
    SheetInputs small = reading(5000);
    small.screenHeight = 500;
    EXPECT_DOUBLE_EQ(readingContentHeight(small), 190 + 44);
    // On a tall screen the cap under the inset holds instead.
    EXPECT_EQ(readingContentHeight(reading(5000)), 328 - 40);
    EXPECT_EQ(panelHeight(reading(5000)), 328);
    // A deep inset still leaves 72 pt.
    EXPECT_EQ(readingContentHeight(reading(5000, 300)), 72);
    // A tiny screen's share can undercut the 28 pt floor.
    SheetInputs tiny = reading(0);
    tiny.screenHeight = 50;
    EXPECT_DOUBLE_EQ(readingContentHeight(tiny), 19 + 44);
}

TEST(PanelSizing, addsTheStallRowAndTheWarningRowUpToTheCap) {
    SheetInputs stalled = reading(100);
    stalled.phase = Kind::stalled;
    EXPECT_EQ(readingContentHeight(stalled), 144 + 28);

    SheetInputs warned = reading(100);
    warned.warningRowHeight = warningRowHeight(true, Kind::playing);
    EXPECT_EQ(readingContentHeight(warned), 144 + 33);

    stalled.textHeight = 290;
    EXPECT_EQ(readingContentHeight(stalled), 288);
}

// The measure of a long transcript stops past this height: whatever lies beyond must not change
// the sheet, whether the inset is thin or deep, the screen small or large, a row shown or not.
TEST(PanelSizing, noTranscriptTallerThanTheFillingHeightChangesTheSheet) {
    for (const qreal inset : {0.0, 40.0, 300.0})
        for (const qreal screen : {50.0, 500.0, 2000.0})
            for (const Kind phase : {Kind::playing, Kind::stalled})
                for (const qreal warning : {0.0, 33.0}) {
                    SheetInputs filling = reading(fillingTextHeight, inset);
                    filling.screenHeight = screen;
                    filling.phase = phase;
                    filling.warningRowHeight = warning;
                    SheetInputs taller = filling;
                    taller.textHeight = 1e9;
                    EXPECT_EQ(panelHeight(filling), panelHeight(taller))
                        << inset << " " << screen << " " << warning;
                }
}

TEST(PanelSizing, aThinTopInsetStillKeepsEveryContentBelowTheHeaderRow) {
    // Without a top band the header row takes 4 + 23 + 4 pt, and every sheet grows by it.
    for (const qreal inset : {0.0, 25.0}) {
        EXPECT_EQ(headerBand(inset), 31);
        EXPECT_EQ(panelHeight(reading(0, inset)), 31 + 72);
        EXPECT_EQ(readingContentHeight(reading(5000, inset)), 328 - 31);
        SheetInputs card = reading(0, inset);
        card.phase = Kind::failed;
        EXPECT_EQ(panelHeight(card), 31 + 96);
        SheetInputs page = reading(0, inset);
        page.contentMode = PanelContentMode::voices;
        EXPECT_EQ(panelHeight(page), 31 + 295);
    }
    EXPECT_EQ(headerBand(40), 40);
}

TEST(PanelSizing, showsTheWarningRowOnlyWithAWarningOutsideCards) {
    EXPECT_EQ(warningRowHeight(true, Kind::stalled), 33);
    EXPECT_EQ(warningRowHeight(true, Kind::hidden), 33);
    EXPECT_EQ(warningRowHeight(true, Kind::finished), 33);
    EXPECT_EQ(warningRowHeight(true, Kind::confirmingLength), 0);
    EXPECT_EQ(warningRowHeight(true, Kind::failed), 0);
    EXPECT_EQ(warningRowHeight(false, Kind::playing), 0);
}
