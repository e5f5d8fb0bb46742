#include "Parlino/Settings/PaneWidgets.h"
#include "Parlino/Settings/VoiceViewKit.h"
#include "Parlino/Style/ParlinoButton.h"
#include "Parlino/Style/ParlinoStyle.h"
#include "Parlino/Style/Theme.h"

#include "support/ManualTime.h"
#include "support/Screenshots.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace Parlino;

namespace {

const QString suite = QStringLiteral("FocusRing");

bool isAccent(const QColor& colour) {
    const QColor accent = Theme::accent();
    return std::abs(colour.red() - accent.red()) < 40 &&
           std::abs(colour.green() - accent.green()) < 40 &&
           std::abs(colour.blue() - accent.blue()) < 40;
}

// A control as the keyboard reaches it: the widget that takes the focus and the one that shows it
// (a frameless field's box).
struct Control {
    QWidget* focus;
    QWidget* shown;
    std::string name;
};

// A dark window holding one control of each kind that takes the focus, in the application's style.
struct FocusWindow {
    FocusWindow() {
        window.setPalette(Theme::darkPalette());
        window.setAutoFillBackground(true);
        auto* column = new QVBoxLayout(&window);
        const auto add = [&](QWidget* control, const std::string& name) {
            control->setStyle(&style);
            control->setFocusPolicy(Qt::StrongFocus);
            column->addWidget(control);
            controls.append({control, control, name});
        };
        add(new ParlinoTextButton(QStringLiteral("Refresh"), QFont(), Qt::white,
                                  ParlinoButtonStyle::standard(), motion.context),
            "button");
        add(new QCheckBox(QStringLiteral("Launch at login")), "check box");
        add(new PaneWidgets::ChoicePicker({QStringLiteral("1×"), QStringLiteral("2×")}), "picker");
        add(new QLineEdit(QStringLiteral("key")), "field");
        add(new QToolButton, "tool button");
        auto* search = new VoiceSearchBox;
        column->addWidget(search);
        controls.append({&search->field(), search, "search box"});
        window.resize(240, 280);
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
    }

    // Whether the control shows the ring: its left edge, half-way down, is in the accent colour.
    static bool showsRing(const Control& control) {
        const QImage image = control.shown->grab().toImage();
        return isAccent(image.pixelColor(1, image.height() / 2));
    }

    struct {
        TestSupport::ManualClock clock;
        TestSupport::ManualScheduler scheduler{clock};
        MotionPreferences preferences;
        MotionContext context{clock, scheduler, preferences};
    } motion;
    ParlinoStyle style;
    QWidget window;
    QList<Control> controls;
};

} // namespace

TEST(FocusRing, EveryControlShowsTheRingOnlyWhenTheKeyboardBroughtTheFocus) {
    FocusWindow subject;
    for (const Control& control : subject.controls) {
        control.focus->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(control.focus->hasFocus()) << control.name;
        EXPECT_FALSE(FocusWindow::showsRing(control)) << control.name;
    }

    for (const Control& control : subject.controls) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_TRUE(control.focus->hasFocus()) << control.name;
        TestSupport::renderScreenshot(*control.shown, 1, suite,
                                      QString::fromStdString(control.name));
        EXPECT_TRUE(FocusWindow::showsRing(control)) << control.name;
        for (const Control& other : subject.controls) {
            if (other.focus != control.focus) {
                EXPECT_FALSE(FocusWindow::showsRing(other)) << other.name;
            }
        }
    }
}

TEST(FocusRing, ReturnAndSpacePressAFocusedButton) {
    FocusWindow subject;
    auto& button = *subject.controls.first().focus;
    int clicks = 0;
    QObject::connect(qobject_cast<QAbstractButton*>(&button), &QAbstractButton::clicked,
                     [&] { ++clicks; });
    button.setFocus(Qt::TabFocusReason);
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_Enter}) {
        const int before = clicks;
        QTest::keyClick(&button, key);
        EXPECT_TRUE(QTest::qWaitFor([&] { return clicks == before + 1; }, 2000)) << key;
    }
}

TEST(ChoicePicker, TheOpenListIsDarkAndHangsBelowThePicker) {
    FocusWindow subject;
    auto& picker = *static_cast<QComboBox*>(subject.controls[2].focus);
    picker.setCurrentIndex(1);
    picker.showPopup();
    QWidget* list = picker.view()->window();
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); }, 2000));
    EXPECT_GE(list->geometry().top(), picker.mapToGlobal(QPoint(0, picker.height())).y() - 1)
        << "the list covers the picker or what stands above it";
    const QImage image = TestSupport::renderScreenshot(*list, 1, suite, QStringLiteral("list"));
    const QColor ground = image.pixelColor(image.width() - 4, image.height() / 4);
    EXPECT_LT(qGray(ground.rgb()), 60) << ground.name().toStdString();
    picker.hidePopup();
}
