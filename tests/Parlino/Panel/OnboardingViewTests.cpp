#include "Parlino/Panel/OnboardingGeometryBox.h"
#include "Parlino/Panel/OnboardingView.h"
#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Services/OnboardingModel.h"
#include "Parlino/Style/Theme.h"

#include "PanelTesting.h"

#include "support/EventLoop.h"
#include "support/LayoutCheck.h"
#include "support/Screenshots.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

using namespace Parlino;

namespace {

// The card in a window of twice its height, as the controller places it on a small screen.
struct Card {
    PanelTesting::Motion motion;
    OnboardingModel model;
    OnboardingGeometryBox geometry;
    OnboardingView view{model, geometry, motion.context};
    QList<QUrl> opened;
    QList<OnboardingReveal> reveals;
    int finishes = 0;

    Card() {
        view.openURL = [this](const QUrl& url) { opened.append(url); };
        model.onReveal = [this](OnboardingReveal reveal) { reveals.append(reveal); };
        model.onFinish = [this] { ++finishes; };
        geometry.setExitTravel(264);
        geometry.setRevealed(true);
        view.resize(496, 264);
        motion.scheduler.advance(1);
    }

    QAbstractButton& button(const char* name) {
        return *view.findChild<QAbstractButton*>(QLatin1String(name));
    }
    bool shows(const char* name) {
        return view.findChild<QWidget*>(QLatin1String(name))->isVisibleTo(&view);
    }
    QString text(const char* name) { return view.findChild<QLabel*>(QLatin1String(name))->text(); }
    QImage render(const QString& name, qreal ratio = 2) {
        return TestSupport::renderScreenshot(view, ratio, QStringLiteral("Panel"), name);
    }
};

bool near(const QColor& actual, const QColor& expected) {
    return std::abs(actual.red() - expected.red()) <= 3 &&
           std::abs(actual.green() - expected.green()) <= 3 &&
           std::abs(actual.blue() - expected.blue()) <= 3;
}

} // namespace

TEST(OnboardingView, WalksThroughTheStepsWithTheirButtonsAndReveals) {
    Card card;
    card.view.show();
    const auto& steps = OnboardingModel::steps();
    ASSERT_EQ(steps.size(), 8);
    for (int index = 0; index < steps.size(); ++index) {
        SCOPED_TRACE(index);
        const bool last = index == steps.size() - 1;
        EXPECT_EQ(card.model.index(), index);
        EXPECT_EQ(card.text("OnboardingBody"), steps[index].body);
        EXPECT_EQ(card.shows("OnboardingLink"), index == 1);
        EXPECT_EQ(card.shows("OnboardingSignature"), last);
        EXPECT_EQ(card.shows("OnboardingPrevious"), index >= 1 && !last);
        EXPECT_EQ(card.shows("OnboardingNext"), !last);
        EXPECT_EQ(card.shows("OnboardingLetsGo"), last);
        EXPECT_TRUE(card.shows("OnboardingClose"));
        EXPECT_TRUE(TestSupport::hasCleanLayout(card.view, card.view.cardRect().toAlignedRect()));
        if (!last)
            card.button("OnboardingNext").click();
    }
    using enum OnboardingReveal;
    // Steps 3 and 6 leave the panel behind the card as it was.
    EXPECT_EQ(card.reveals, (QList<OnboardingReveal>{apiKey, usage, shortcuts, voices, clips}));
    EXPECT_FALSE(card.text("OnboardingSignature").isEmpty());

    card.button("OnboardingLetsGo").click();
    EXPECT_EQ(card.finishes, 1);
    EXPECT_EQ(card.model.index(), 7);

    // An index outside the list shows the nearest step.
    card.model.setIndex(-3);
    EXPECT_EQ(card.text("OnboardingBody"), steps.first().body);
    EXPECT_FALSE(card.shows("OnboardingPrevious"));
}

TEST(OnboardingView, SpeaksOfTheSettingsWindowWhileItShowsTheStepsParts) {
    Card card;
    card.view.show();
    card.model.setIndex(5); // the voices step
    const QString panelWords = card.text("OnboardingBody");
    EXPECT_TRUE(panelWords.startsWith(u"Press the voices tab"_qs));

    card.model.setHost(OnboardingHost::settingsWindow);
    const QString windowWords = card.text("OnboardingBody");
    EXPECT_TRUE(windowWords.contains(u"Voice pane"_qs)) << windowWords.toStdString();
    EXPECT_TRUE(TestSupport::hasCleanLayout(card.view, card.view.cardRect().toAlignedRect()));
    card.render(QStringLiteral("onboarding-voices-settings-window"));
    // A step whose words name no panel part reads the same in either place.
    card.button("OnboardingPrevious").click();
    EXPECT_EQ(card.text("OnboardingBody"), OnboardingModel::steps()[4].body);

    card.button("OnboardingNext").click();
    card.model.setHost(OnboardingHost::panel);
    EXPECT_EQ(card.text("OnboardingBody"), panelWords);
}

TEST(OnboardingView, GoesBackOpensItsLinkAndClosesFromAnyStep) {
    Card card;
    card.button("OnboardingNext").click();
    card.button("OnboardingNext").click();
    card.button("OnboardingPrevious").click();
    EXPECT_EQ(card.model.index(), 1);
    EXPECT_EQ(card.button("OnboardingLink").text(), QStringLiteral("Grab one here ↗"));
    card.button("OnboardingLink").click();
    EXPECT_EQ(card.opened, QList<QUrl>{apiKeysPage()});

    card.button("OnboardingClose").click();
    EXPECT_EQ(card.finishes, 1);
    EXPECT_EQ(card.button("OnboardingClose").accessibleName(), QStringLiteral("Close tutorial"));
}

TEST(OnboardingView, DropsInByItsHeightAndLeavesThroughTheWholeWindow) {
    Card card;
    EXPECT_EQ(card.view.cardRect(), QRectF(0, 132, 496, 132));

    card.geometry.setIsExiting(true);
    card.geometry.setRevealed(false);
    card.motion.scheduler.advance(0.2);
    EXPECT_LT(card.view.cardRect().top(), 132);
    EXPECT_GT(card.view.cardRect().top(), 132 - 264);
    card.motion.scheduler.advance(0.15);
    EXPECT_EQ(card.view.cardRect().top(), 132 - 264);

    // A new presentation starts a fresh card one card height above its place.
    card.geometry.setIsExiting(false);
    card.geometry.setPresentationID(1);
    EXPECT_EQ(card.view.cardRect().top(), 0);
    card.geometry.setRevealed(true);
    card.motion.scheduler.advance(0.23);
    EXPECT_EQ(card.view.cardRect().top(), 132);
}

TEST(OnboardingView, FadesInPlaceUnderReduceMotion) {
    Card card;
    card.motion.preferences.setReduceMotion(true);
    if (!card.motion.preferences.reduceMotion())
        GTEST_SKIP() << "Reduce Motion is pinned off by the environment";
    auto* cardWidget = card.view.findChild<QWidget*>(QStringLiteral("OnboardingCard"));
    card.geometry.setIsExiting(true);
    card.geometry.setRevealed(false);
    card.motion.scheduler.advance(0.075);
    EXPECT_EQ(card.view.cardRect().top(), 132);
    auto* fade = qobject_cast<QGraphicsOpacityEffect*>(cardWidget->graphicsEffect());
    ASSERT_NE(fade, nullptr);
    EXPECT_GT(fade->opacity(), 0);
    EXPECT_LT(fade->opacity(), 1);
    card.motion.scheduler.advance(0.1);
    EXPECT_EQ(fade->opacity(), 0);
    EXPECT_EQ(card.view.cardRect().top(), 132);
}

TEST(OnboardingView, RendersEachKindOfStepWithOneAccentDot) {
    Card card;
    const auto dotCentre = [&](int dot) {
        return (2 * (card.view.dotsRect().topLeft() + QPointF(2.5 + 10 * dot, 2.5))).toPoint();
    };
    for (const int index : {0, 1, 7}) {
        SCOPED_TRACE(index);
        card.model.setIndex(index);
        card.render(QStringLiteral("onboarding-step-%1").arg(index), 1);
        const QImage image = card.render(QStringLiteral("onboarding-step-%1").arg(index));
        EXPECT_EQ(image.size(), QSize(2 * 496, 2 * 264));
        // The card's ground, and clear window above it.
        EXPECT_TRUE(near(image.pixelColor(2 * 250, 2 * 200), Theme::graphite()));
        EXPECT_EQ(image.pixelColor(2 * 250, 2 * 60).alpha(), 0);
        for (int dot = 0; dot < 8; ++dot) {
            const QColor colour = image.pixelColor(dotCentre(dot));
            EXPECT_EQ(near(colour, Theme::accent()), dot == index) << "dot " << dot;
        }
    }
}

TEST(OnboardingView, TheKeyboardMovesThroughTheButtonsAndReturnPressesTheFocusedOne) {
    Card card;
    card.view.show();
    card.view.activateWindow();
    QApplication::setActiveWindow(&card.view);
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return card.view.isActiveWindow(); }));
    const auto focused = [] {
        const QWidget* widget = QApplication::focusWidget();
        return widget ? widget->objectName() : QString();
    };
    EXPECT_EQ(focused(), u"OnboardingNext"_qs) << "the way on waits for Return";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return card.model.index() == 1; }));
    EXPECT_EQ(focused(), u"OnboardingNext"_qs);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(focused(), u"OnboardingClose"_qs);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(focused(), u"OnboardingLink"_qs) << "step 1 has a link";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(focused(), u"OnboardingPrevious"_qs);
    EXPECT_TRUE(card.view.testAttribute(Qt::WA_KeyboardFocusChange)) << "the ring shows";
    card.render(QStringLiteral("onboarding-keyboard-focus"));

    // Back on the first step the focused "Previous" is gone: the focus goes on to "Next".
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return card.model.index() == 0; }));
    EXPECT_EQ(focused(), u"OnboardingNext"_qs);

    card.model.setIndex(int(OnboardingModel::steps().size()) - 1);
    EXPECT_EQ(focused(), u"OnboardingLetsGo"_qs);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return card.finishes == 1; }));
}

// A screen reader hears the step's words with the button the keyboard comes to, and, when the
// keyboard stays on the button it pressed, from a notification of them.
TEST(OnboardingView, TheStepsWordsReachAScreenReaderWhereverTheKeyboardIs) {
    Card card;
    card.view.show();
    QApplication::setActiveWindow(&card.view);
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return card.view.isActiveWindow(); }));
    const auto* notice = card.view.findChild<QWidget*>(QStringLiteral("SpokenNotice"));
    ASSERT_NE(notice, nullptr);
    const auto& steps = OnboardingModel::steps();
    EXPECT_EQ(card.button("OnboardingNext").accessibleDescription(), card.text("OnboardingBody"));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    ASSERT_EQ(card.model.index(), 1);
    EXPECT_EQ(notice->accessibleName(), card.text("OnboardingBody"));
    EXPECT_EQ(card.button("OnboardingNext").accessibleDescription(), steps[1].body);

    // On the last step the keyboard moves to "Let's go!", which says the words itself.
    card.model.setIndex(int(steps.size()) - 2);
    const QString said = notice->accessibleName();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    ASSERT_EQ(QApplication::focusWidget(), &card.button("OnboardingLetsGo"));
    EXPECT_EQ(notice->accessibleName(), said);
    EXPECT_TRUE(card.button("OnboardingLetsGo")
                    .accessibleDescription()
                    .startsWith(steps.constLast().body + u' '));
}

TEST(OnboardingView, ACardOnItsWayOutTakesNoMorePresses) {
    Card card;
    card.geometry.setIsExiting(true);
    card.geometry.setRevealed(false);
    card.button("OnboardingNext").click();
    card.button("OnboardingClose").click();
    EXPECT_EQ(card.model.index(), 0);
    EXPECT_EQ(card.finishes, 0);
}
