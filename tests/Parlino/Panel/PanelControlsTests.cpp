#include "Parlino/Panel/LengthConfirmCard.h"
#include "Parlino/Panel/NavCircleButton.h"
#include "Parlino/Panel/PanelHeader.h"
#include "Parlino/Panel/PanelMessages.h"
#include "Parlino/Style/Theme.h"

#include <gtest/gtest.h>

using namespace Parlino;

namespace {

const QLocale english(QLocale::English, QLocale::UnitedStates);
const QLocale german(QLocale::German, QLocale::Germany);

} // namespace

TEST(LengthConfirmCard, EstimatesCreditsByModel) {
    const QString flash = QStringLiteral("flash");
    // Half a credit per character with flash, rounded up; odd counts round up.
    EXPECT_EQ(LengthConfirmCard::credits(1001, flash), 501);
    EXPECT_EQ(LengthConfirmCard::credits(2400, flash), 1200);
    EXPECT_EQ(LengthConfirmCard::credits(1, flash), 1);
    EXPECT_EQ(LengthConfirmCard::credits(1001, QStringLiteral("multilingual")), 1001);
    // A stored value naming no model is priced as flash.
    EXPECT_EQ(LengthConfirmCard::credits(1001, QStringLiteral("turbo")), 501);
    EXPECT_EQ(LengthConfirmCard::credits(0, QStringLiteral("multilingual")), 0);
    EXPECT_EQ(LengthConfirmCard::credits(-5, flash), 0);
}

TEST(LengthConfirmCard, GroupsNumbersAsTheLocaleDoes) {
    EXPECT_EQ(LengthConfirmCard::summary(2400, QStringLiteral("flash"), english),
              QStringLiteral("~2,400 characters ≈ 1,200 credits"));
    EXPECT_EQ(LengthConfirmCard::summary(12345, QStringLiteral("multilingual"), german),
              QStringLiteral("~12.345 characters ≈ 12.345 credits"));
    EXPECT_EQ(LengthConfirmCard::summary(0, QStringLiteral("flash"), english),
              QStringLiteral("~0 characters ≈ 0 credits"));
    EXPECT_EQ(LengthConfirmCard::readFirstTitle(1000, english), QStringLiteral("Read first 1,000"));
    EXPECT_EQ(LengthConfirmCard::readFirstTitle(1000, german), QStringLiteral("Read first 1.000"));
}

TEST(NavCircleButton, LightsItsBackdropByBubbleMode) {
    const NavCircleLook mute{.systemImage = QStringLiteral("speaker.wave.2.fill"),
                             .isActive = false,
                             .activeTint = Theme::red85(),
                             .hoverTint = QColor(Qt::white),
                             .bubble = NavCircleBubble::whenLit};
    // Unlit and away: a white icon at 0.85 and no backdrop at all.
    EXPECT_EQ(mute.colours(false).icon, Theme::white(0.85));
    EXPECT_EQ(mute.colours(false).backdrop.alpha(), 0);
    // Hovered: the hover tint, with a backdrop of it at 0.28.
    EXPECT_EQ(mute.colours(true).icon, QColor(Qt::white));
    EXPECT_NEAR(mute.colours(true).backdrop.alphaF(), 0.28, 0.01);
    // Lit: the active tint wins over hovering.
    NavCircleLook muted = mute;
    muted.isActive = true;
    EXPECT_EQ(muted.colours(true).icon, Theme::red85());
    EXPECT_EQ(muted.colours(false).backdrop.rgb(), Theme::red85().rgb());
    EXPECT_NEAR(muted.colours(false).backdrop.alphaF(), 0.85 * 0.28, 0.01);

    // An `always` button at rest shows a faint white circle; hovered without a hover tint it
    // takes the active tint.
    const NavCircleLook pin{.systemImage = QStringLiteral("pin"),
                            .isActive = false,
                            .activeTint = Theme::accent(),
                            .hoverTint = std::nullopt,
                            .bubble = NavCircleBubble::always};
    EXPECT_EQ(pin.colours(false).backdrop, Theme::white(0.12));
    EXPECT_EQ(pin.colours(true).icon, Theme::accent());
}

TEST(PanelHeader, CentresTheRowInTheBandButKeepsItOffTheEdge) {
    EXPECT_DOUBLE_EQ(PanelSizing::headerTopPadding(0), 4);
    EXPECT_DOUBLE_EQ(PanelSizing::headerBand(0), 31);
    EXPECT_DOUBLE_EQ(PanelSizing::headerTopPadding(37), 7);
    EXPECT_DOUBLE_EQ(PanelSizing::headerBand(37), 37);
}

TEST(PanelMessages, OffersRevertOnlyForFailuresOfTheVoice) {
    using Core::TTSError;
    using PanelMessages::StallAction;
    const auto action = [](const TTSError& error) { return PanelMessages::stallRow(error).action; };
    EXPECT_EQ(action(TTSError::providerFault(404, QStringLiteral("no voice"))),
              StallAction::revert);
    EXPECT_EQ(action(TTSError::providerFault(500, QStringLiteral("oops"))), StallAction::retry);
    EXPECT_EQ(PanelMessages::stallRow(TTSError::providerFault(404, {})).message,
              PanelMessages::stallRow(TTSError::providerFault(500, {})).message);
    EXPECT_EQ(action(TTSError::accountInProbation()), StallAction::revert);
    EXPECT_EQ(action(TTSError::insufficientPermissions()), StallAction::revert);
    for (const TTSError& error :
         {TTSError::network(QStringLiteral("offline")),
          TTSError::unanswered(QStringLiteral("no answer")), TTSError::unauthorized(),
          TTSError::insufficientCredits(), TTSError::entitlementExceeded(), TTSError::textTooLong(),
          TTSError::noKey(), TTSError::keyUnreadable(), TTSError::keyLocked(),
          TTSError::keyringUnavailable(), TTSError::noKeyring(), TTSError::keyringAwaitingUnlock(),
          TTSError::keyUnusable(), TTSError::audioOutputLost()})
        EXPECT_EQ(action(error), StallAction::retry);
    // The error's own text never reaches the row.
    EXPECT_FALSE(PanelMessages::stallRow(TTSError::network(QStringLiteral("offline")))
                     .message.contains(QStringLiteral("offline")));
}

// A missing key, an unreadable keyring and a lost sound output are not the service's doing, nor
// a rejected key: each says what happened.
TEST(PanelMessages, FailuresOutsideTheServiceHaveMessagesOfTheirOwn) {
    using Core::TTSError;
    QSet<QString> messages;
    for (const TTSError& error :
         {TTSError::unauthorized(), TTSError::providerFault(500, {}), TTSError::noKey(),
          TTSError::keyUnreadable(), TTSError::keyLocked(), TTSError::keyringUnavailable(),
          TTSError::noKeyring(), TTSError::keyringAwaitingUnlock(), TTSError::keyUnusable(),
          TTSError::audioOutputLost(), TTSError::network(QStringLiteral("offline")),
          TTSError::unanswered(QStringLiteral("no answer"))})
        messages.insert(PanelMessages::stallRow(error).message);
    EXPECT_EQ(messages.size(), 12) << "a service that does not answer is not a lost connection";
}
