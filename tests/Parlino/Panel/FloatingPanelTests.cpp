#include "Parlino/Panel/FloatingPanel.h"

#include "support/EventLoop.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace Parlino;

TEST(FloatingPanel, reportsEscToItsOwnerAndPassesOtherKeysOn) {
    FloatingPanel panel;
    int cancels = 0;
    panel.onCancel = [&] { ++cancels; };

    QTest::keyClick(&panel, Qt::Key_Escape);
    QTest::keyClick(&panel, Qt::Key_Space);

    EXPECT_EQ(cancels, 1);
}

TEST(FloatingPanel, replacesItsContentViewAndFillsItself) {
    FloatingPanel panel;
    QPointer<QWidget> first = new QWidget;
    panel.setContentView(first);
    auto* second = new QWidget;

    panel.setContentView(second);
    panel.resize(220, 68);
    panel.show();

    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(panel.contentView(), second);
    EXPECT_EQ(second->geometry(), QRect(0, 0, 220, 68));
}

// Tab goes along the controls that show and are enabled; past either end it asks the owner
// first and goes round only when the owner keeps it.
TEST(FloatingPanel, TabPastEitherEndAsksTheOwnerBeforeGoingRound) {
    FloatingPanel panel;
    auto* content = new QWidget;
    QList<QPushButton*> buttons;
    auto* layout = new QVBoxLayout(content);
    for (const char* name : {"first", "hidden", "disabled", "last"}) {
        buttons << new QPushButton(QLatin1String(name));
        buttons.constLast()->setObjectName(QLatin1String(name));
        layout->addWidget(buttons.constLast());
    }
    buttons[1]->hide();
    buttons[2]->setEnabled(false);
    panel.setContentView(content);
    panel.show();
    QApplication::setActiveWindow(&panel);
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return panel.isActiveWindow(); }));
    QList<TabDirection> asked;
    bool taken = true;
    panel.onTabOut = [&](TabDirection direction) {
        asked << direction;
        return taken;
    };
    const auto focused = [] { return QApplication::focusWidget()->objectName(); };

    panel.focusEnd(TabDirection::backward);
    EXPECT_EQ(focused(), u"last"_qs);
    EXPECT_TRUE(panel.testAttribute(Qt::WA_KeyboardFocusChange)) << "the ring shows";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(focused(), u"first"_qs) << "past the hidden and the disabled one";
    EXPECT_TRUE(asked.isEmpty());

    // Taken by the owner, the keyboard leaves the window as it was.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(asked, QList({TabDirection::backward}));
    EXPECT_EQ(focused(), u"first"_qs);

    // Kept, it goes round.
    taken = false;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(focused(), u"last"_qs);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(asked,
              QList({TabDirection::backward, TabDirection::backward, TabDirection::forward}));
    EXPECT_EQ(focused(), u"first"_qs);
}
