#include "Parlino/Style/FocusRest.h"

#include <QAccessible>
#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
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
        (new QHBoxLayout(pane))->addWidget(row);
        auto* buttons = new QHBoxLayout(row);
        buttons->addWidget(first);
        buttons->addWidget(second);
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

    window.first->setEnabled(false);
    ASSERT_EQ(focused(), window.row);
    // Space and Return find nothing to do there; other keys go on to the window.
    for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Escape})
        QTest::keyClick(focused(), key);
    EXPECT_EQ(window.keys, QList<int>{Qt::Key_Escape});
    QAccessibleInterface* rest = QAccessible::queryAccessibleInterface(window.row);
    EXPECT_EQ(rest->role(), QAccessible::Grouping);
    EXPECT_EQ(rest->text(QAccessible::Name), QStringLiteral("Threshold: 1,000"));
    EXPECT_TRUE(rest->state().focusable && rest->state().focused);
    // No stop of its own: Tab goes on to the control after it.
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_EQ(focused(), window.second);

    window.second->hide();
    EXPECT_EQ(focused(), window.row);
    window.first->setEnabled(true);
    window.first->setFocus(Qt::TabFocusReason);
    window.row->hide();
    EXPECT_EQ(focused(), window.pane) << "the row is gone with its button";
}

} // namespace
