#include "Parlino/Panel/FloatingPanel.h"
#include "Parlino/Panel/PanelFocusTarget.h"
#include "Parlino/Panel/PanelGeometryBox.h"
#include "Parlino/Panel/PanelView.h"
#include "Parlino/Services/AudioOutput.h"
#include "Parlino/Services/WarningModel.h"
#include "Parlino/Style/ParlinoButton.h"
#include "Parlino/Style/Theme.h"

#include "PanelTesting.h"

#include "support/EventLoop.h"
#include "support/Screenshots.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace Parlino;
using Phase = PlayerViewModel::Phase;
using Kind = Phase::Kind;
using Mode = PanelContentMode;

namespace {

const QString suite = QStringLiteral("PanelKeyboard");

// The reading panel in its floating window, as the desktop hosts it, with a warning model, the
// mute switch and pages that hold one button each.
struct KeyboardPanel : ::testing::Test {
    KeyboardPanel() {
        view = new PanelView(
            model, geometry, settings.keys, motion.context,
            PanelViewServices{.warningModel = &warnings,
                              .audioOutput = &audio,
                              .makePage =
                                  [this](Mode, qreal) {
                                      auto* page = new QWidget;
                                      auto* control = new ParlinoTextButton(
                                          QStringLiteral("Page control"), QFont(), Qt::white,
                                          ParlinoButtonStyle::standard(), motion.context, page);
                                      control->setObjectName("PageControl");
                                      control->setAccessibleName(control->text());
                                      (new QVBoxLayout(page))->addWidget(control);
                                      return page;
                                  },
                              .desktopSettings = nullptr});
        window.setContentView(view);
        geometry.setTopContentInset(32);
        geometry.setCachedTextHeight(120);
        geometry.setScreenHeight(900);
        geometry.setRevealed(true);
        motion.scheduler.advance(1);
        window.resize(512, 360);
    }

    void play() {
        PanelTesting::startRead(model, PanelTesting::longText(3, 12));
        model.setCurrentWordIndex(5);
        settle();
    }
    // The window takes the keyboard, as a click or a request to activate it makes it do.
    void activate() {
        QApplication::setActiveWindow(nullptr);
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(window.isActiveWindow());
    }
    void settle() {
        motion.scheduler.advance(1);
        TestSupport::drainEvents();
    }
    static QString focused() {
        const QWidget* widget = QApplication::focusWidget();
        return widget ? widget->objectName() : QStringLiteral("(nothing)");
    }
    // The controls that `presses` presses of `key` visit from the focus, in order; each must be
    // named for assistive tools.
    static QStringList walk(int presses, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QStringList visited;
        for (int i = 0; i < presses; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, modifiers);
            QWidget* widget = QApplication::focusWidget();
            EXPECT_TRUE(
                widget &&
                !QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name).isEmpty())
                << "unnamed focus after " << visited.join(' ').toStdString();
            visited << focused();
        }
        return visited;
    }
    bool ringShows() const { return window.testAttribute(Qt::WA_KeyboardFocusChange); }
    template <class T = QWidget> T& child(const char* name) const {
        T* found = view->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return *found;
    }

    ServicesTesting::TestSettings settings;
    PanelTesting::Motion motion;
    PlayerViewModel model;
    PanelGeometryBox geometry;
    WarningModel warnings;
    AudioOutput audio{motion.scheduler};
    FloatingPanel window;
    PanelView* view;
};

const QStringList header{"SettingsButton", "VoicesButton", "ClipsButton",
                         "MuteButton",     "PinButton",    "EscPillButton"};

} // namespace

TEST(PanelFocusTarget, AnOpenLandsOnPlayPauseOnlyWhileTheSheetShowsARead) {
    for (const Kind phase : {Kind::listening, Kind::loading, Kind::playing, Kind::paused,
                             Kind::stalled, Kind::recapturing, Kind::finished}) {
        EXPECT_EQ(openFocusTarget(phase, Mode::reading), PanelFocusTarget::playPause);
        for (const Mode page : {Mode::settings, Mode::clips, Mode::voices})
            EXPECT_EQ(openFocusTarget(phase, page), PanelFocusTarget::firstHeaderButton);
    }
    for (const Kind phase : {Kind::hidden, Kind::confirmingLength, Kind::failed})
        EXPECT_EQ(openFocusTarget(phase, Mode::reading), PanelFocusTarget::firstHeaderButton);
}

TEST_F(KeyboardPanel, AnOpenDuringAReadLandsOnPlayPauseWithItsRingAndTabReachesEveryControl) {
    play();
    // Asked for before the window is key, the control takes the keyboard when it becomes key.
    view->focusOnOpen(PanelFocusTarget::playPause);
    EXPECT_NE(focused(), u"PlayPauseButton"_qs);
    activate();
    EXPECT_EQ(focused(), u"PlayPauseButton"_qs);
    EXPECT_TRUE(ringShows());

    // The transcript is the stop before it; the header and the rest of the bar follow.
    EXPECT_EQ(walk(1, Qt::ShiftModifier), QStringList("TranscriptCanvas"));
    const QStringList around = QStringList{"PlayPauseButton", "SpeedChip"} + header +
                               QStringList{"TranscriptCanvas", "PlayPauseButton"};
    EXPECT_EQ(walk(10), around);
    EXPECT_TRUE(ringShows());

    // Finished, the read offers replay after the speed chip.
    model.setPhase(Phase::finished());
    settle();
    EXPECT_EQ(walk(2), (QStringList{"SpeedChip", "ReplayButton"}));

    // A click on a word moves the focus there, and the ring goes.
    QTest::mouseClick(&child("TranscriptCanvas"), Qt::LeftButton, {}, {20, 10});
    EXPECT_EQ(focused(), u"TranscriptCanvas"_qs);
    EXPECT_FALSE(ringShows());
}

TEST_F(KeyboardPanel, WithoutAReadAnOpenLandsOnSettingsAndTabWalksTheHeaderAndThePage) {
    activate();
    // The window has the keyboard already: the open moves it at once.
    view->focusOnOpen(PanelFocusTarget::firstHeaderButton);
    EXPECT_EQ(focused(), u"SettingsButton"_qs);
    EXPECT_TRUE(ringShows());
    EXPECT_EQ(walk(6), header.mid(1) << "SettingsButton");

    // The warning row under the header comes after the row's last button.
    warnings.setCurrent(ActiveWarning::noKey());
    geometry.setWarningRowHeight(33);
    settle();
    EXPECT_EQ(walk(7), header.mid(1) << "WarningButton"
                                     << "SettingsButton");

    // A page's controls follow the header; a stale open on play/pause gives way to Settings.
    model.setContentMode(Mode::clips);
    settle();
    EXPECT_EQ(walk(8), header.mid(1) << "WarningButton"
                                     << "PageControl"
                                     << "SettingsButton");
    walk(1);
    model.setPhase(Phase::playing());
    view->focusOnOpen(PanelFocusTarget::playPause);
    EXPECT_EQ(focused(), u"SettingsButton"_qs);
}

TEST_F(KeyboardPanel, OnACardAnOpenLandsOnCloseAndTabReachesTheAnswers) {
    model.setPhase(Phase::confirmingLength(2401));
    settle();
    activate();
    view->focusOnOpen(PanelFocusTarget::firstHeaderButton);
    EXPECT_EQ(focused(), u"EscPillButton"_qs);
    EXPECT_EQ(walk(4), (QStringList{"ReadAnywayButton", "ReadFirstButton", "CancelLengthButton",
                                    "EscPillButton"}));
}

TEST_F(KeyboardPanel, AClickLeavesTheFocusOnTheTranscriptOrSettingsWithoutARing) {
    play();
    // The window a click brings forward gives the keyboard to the transcript.
    activate();
    EXPECT_EQ(focused(), u"TranscriptCanvas"_qs);
    EXPECT_FALSE(ringShows());
    // A click on a button presses it and leaves the focus where it was.
    QTest::mouseClick(&child<QAbstractButton>("PinButton"), Qt::LeftButton);
    EXPECT_TRUE(model.isPinned());
    EXPECT_EQ(focused(), u"TranscriptCanvas"_qs);

    // Once the keyboard went there, a click that brings the window forward shows no ring.
    view->focusOnOpen(PanelFocusTarget::playPause);
    ASSERT_TRUE(ringShows());
    QApplication::setActiveWindow(nullptr);
    activate();
    EXPECT_EQ(focused(), u"TranscriptCanvas"_qs);
    EXPECT_FALSE(ringShows());

    // An open whose window never became key asks for nothing the next time it does.
    QApplication::setActiveWindow(nullptr);
    view->focusOnOpen(PanelFocusTarget::playPause);
    window.hide();
    activate();
    EXPECT_EQ(focused(), u"TranscriptCanvas"_qs);
    EXPECT_FALSE(ringShows());

    // Without a read, the header's first button takes it.
    QApplication::setActiveWindow(nullptr);
    model.setPhase(Phase::hidden());
    settle();
    activate();
    EXPECT_EQ(focused(), u"SettingsButton"_qs);
    EXPECT_FALSE(ringShows());
}

TEST_F(KeyboardPanel, EveryHeaderButtonShowsItsRingOnlyWhenTheKeyboardBringsTheFocus) {
    warnings.setCurrent(ActiveWarning::noKey());
    geometry.setWarningRowHeight(33);
    settle();
    activate();
    view->focusOnOpen(PanelFocusTarget::firstHeaderButton);
    const auto ringAtLeftEdge = [](QWidget& button, qreal ratio) {
        QImage image(button.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        button.render(&image, {}, {}, QWidget::DrawChildren);
        const QColor edge = image.pixelColor(int(ratio), image.height() / 2);
        const QColor accent = Theme::accent();
        return std::abs(edge.red() - accent.red()) < 40 &&
               std::abs(edge.green() - accent.green()) < 40 &&
               std::abs(edge.blue() - accent.blue()) < 40;
    };
    for (const QString& name : header + QStringList{"WarningButton"}) {
        QWidget& button = child(name.toLatin1().constData());
        ASSERT_EQ(focused(), name);
        for (const qreal ratio : {1.0, 2.0})
            EXPECT_TRUE(ringAtLeftEdge(button, ratio)) << name.toStdString() << " @" << ratio;
        TestSupport::renderScreenshot(*view, 2, suite, QStringLiteral("ring-") + name);
        walk(1);
    }
    // A click takes no focus to a button, which shows no ring then.
    window.setAttribute(Qt::WA_KeyboardFocusChange, false);
    QTest::mouseClick(&child<QAbstractButton>("VoicesButton"), Qt::LeftButton);
    EXPECT_EQ(model.contentMode(), Mode::voices);
    EXPECT_EQ(focused(), u"SettingsButton"_qs);
    EXPECT_FALSE(ringAtLeftEdge(child("VoicesButton"), 1));
    EXPECT_FALSE(ringAtLeftEdge(child("SettingsButton"), 1));
}
