#include "Parlino/Panel/FloatingPanel.h"

#include <QPointer>
#include <QTest>

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
