#include "Parlino/Settings/PaneWidgets.h"
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

// A dark window holding one control of each kind that takes the focus, in the application's style.
struct FocusWindow {
    FocusWindow() {
        window.setPalette(Theme::darkPalette());
        window.setAutoFillBackground(true);
        auto* column = new QVBoxLayout(&window);
        controls = {new ParlinoTextButton(QStringLiteral("Refresh"), QFont(), Qt::white,
                                          ParlinoButtonStyle::standard(), motion.context),
                    new QCheckBox(QStringLiteral("Launch at login")),
                    new PaneWidgets::ChoicePicker({QStringLiteral("1×"), QStringLiteral("2×")}),
                    new QLineEdit(QStringLiteral("key")), new QToolButton};
        for (QWidget* control : controls) {
            control->setStyle(&style);
            control->setFocusPolicy(Qt::StrongFocus);
            column->addWidget(control);
        }
        window.resize(240, 240);
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
    }

    // Whether the control shows the ring: its left edge, half-way down, is in the accent colour.
    static bool showsRing(QWidget& control) {
        const QImage image = control.grab().toImage();
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
    QList<QWidget*> controls;
};

} // namespace

TEST(FocusRing, EveryControlShowsTheRingOnlyWhenTheKeyboardBroughtTheFocus) {
    FocusWindow subject;
    for (QWidget* control : subject.controls) {
        control->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(control->hasFocus()) << control->metaObject()->className();
        EXPECT_FALSE(FocusWindow::showsRing(*control)) << control->metaObject()->className();
    }

    subject.controls.last()->setFocus(Qt::MouseFocusReason);
    for (QWidget* control : subject.controls) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_TRUE(control->hasFocus()) << control->metaObject()->className();
        TestSupport::renderScreenshot(*control, 1, suite,
                                      QString::fromLatin1(control->metaObject()->className()));
        EXPECT_TRUE(FocusWindow::showsRing(*control)) << control->metaObject()->className();
        for (QWidget* other : subject.controls) {
            if (other != control) {
                EXPECT_FALSE(FocusWindow::showsRing(*other)) << other->metaObject()->className();
            }
        }
    }
}

TEST(FocusRing, ReturnAndSpacePressAFocusedButton) {
    FocusWindow subject;
    auto& button = *subject.controls.first();
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
    auto& picker = *static_cast<QComboBox*>(subject.controls[2]);
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
