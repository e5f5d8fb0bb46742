#include "Parlino/Shell/MenuKeys.h"

#include <QMenu>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace Parlino;

namespace {

struct MenuKeysTest : ::testing::Test {
    void activate(QWidget& window) {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QStringList ran;
    const MenuKeys keys{{{QKeySequence(QStringLiteral("Ctrl+,")), [this] { ran << "settings"; }},
                         {QKeySequence(QStringLiteral("Ctrl+Q")), [this] { ran << "quit"; }}}};
};

TEST_F(MenuKeysTest, TheKeysRunTheirCommandsInAnActiveWindowTheyWereGivenTo) {
    QWidget window;
    keys.attach(window);
    activate(window);
    QTest::keyClick(&window, Qt::Key_Comma, Qt::ControlModifier);
    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(ran, (QStringList{"settings", "quit"}));

    QWidget other;
    activate(other);
    QTest::keyClick(&other, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(ran.size(), 2) << "a window without the keys leaves them alone";
}

TEST_F(MenuKeysTest, AKeyInTheOpenMenuClosesItAndRunsItsCommand) {
    QMenu menu;
    menu.addAction(QStringLiteral("Settings…\tCtrl+,"));
    keys.attach(menu);
    menu.popup(QPoint(20, 20));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    QTest::keyClick(&menu, Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(ran, QStringList{"settings"});
    EXPECT_FALSE(menu.isVisible());
}

} // namespace
