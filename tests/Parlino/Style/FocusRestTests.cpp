#include "Parlino/Style/FocusRest.h"
#include "Parlino/Style/Theme.h"

#include "support/Screenshots.h"

#include <QAccessible>
#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace Parlino;

namespace {

// A window that notes the keys that reach it: a pane rest holding a row rest of two buttons, and a
// button after the pane.
class Window final : public QWidget {
public:
    Window() {
        auto* column = new QHBoxLayout(this);
        column->addWidget(pane);
        column->addWidget(after);
        auto* paneLayout = new QHBoxLayout(pane);
        paneLayout->addWidget(row);
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(4, 4, 4, 4);
        rowLayout->addWidget(first);
        rowLayout->addWidget(second);
        show();
        QApplication::setActiveWindow(this);
        first->setFocus(Qt::TabFocusReason);
    }

    FocusRest* pane = new FocusRest(QAccessible::Pane, QStringLiteral("General"));
    FocusRest* row = new FocusRest(QAccessible::Grouping, QStringLiteral("Threshold: 1,000"));
    QPushButton* first = new QPushButton(QStringLiteral("First"));
    QPushButton* second = new QPushButton(QStringLiteral("Second"));
    QPushButton* after = new QPushButton(QStringLiteral("After"));
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys.append(event->key()); }
};

QWidget* focused() {
    return QApplication::focusWidget();
}

TEST(FocusRest, AControlThatGoesLeavesTheFocusOnTheNearestRestThatShows) {
    Window window;
    // Tab between controls that stand ready passes the rests by.
    QTest::keyClick(focused(), Qt::Key_Tab);
    ASSERT_EQ(focused(), window.second);
    QTest::keyClick(focused(), Qt::Key_Backtab);
    ASSERT_EQ(focused(), window.first);

    window.first->setEnabled(false);
    EXPECT_EQ(focused(), window.row);
    // No stop of its own: Tab goes on to the control after it.
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_EQ(focused(), window.second);

    window.second->hide();
    EXPECT_EQ(focused(), window.row);

    window.first->setEnabled(true);
    window.first->setFocus(Qt::TabFocusReason);
    window.row->hide();
    EXPECT_EQ(focused(), window.pane) << "the row is gone with its button";

    // Moved on by the owner, also while the window is in the background.
    window.row->show();
    window.first->setFocus(Qt::TabFocusReason);
    QApplication::setActiveWindow(nullptr);
    EXPECT_FALSE(FocusRest::takeFocusFrom(*window.after)) << "the focus is not there";
    EXPECT_TRUE(FocusRest::takeFocusFrom(*window.first));
    EXPECT_EQ(window.focusWidget(), window.row);
}

// Space and Return find nothing to do at the rest; other keys go on to the window.
TEST(FocusRest, TakesNoPressAndSaysWhereTheFocusIs) {
    Window window;
    QSignalSpy clicks(window.second, &QAbstractButton::clicked);
    window.first->setEnabled(false);
    for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
        QTest::keyClick(focused(), key);
    EXPECT_EQ(window.keys, QList<int>{Qt::Key_Escape});
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(focused(), window.row);

    QAccessibleInterface* rest = QAccessible::queryAccessibleInterface(window.row);
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(rest->role(), QAccessible::Grouping);
    EXPECT_EQ(rest->text(QAccessible::Name), QStringLiteral("Threshold: 1,000"));
    EXPECT_TRUE(rest->state().focusable);
    EXPECT_TRUE(rest->state().focused);

    // The ring, in the margin the row keeps around its buttons.
    window.setAttribute(Qt::WA_KeyboardFocusChange);
    const QImage image =
        TestSupport::renderScreenshot(*window.row, 2, QStringLiteral("FocusRest"), "row");
    const QColor edge = image.pixelColor(2 * window.row->width() / 2, 1);
    EXPECT_EQ(edge.rgb(), Theme::accent().rgb());
}

} // namespace
