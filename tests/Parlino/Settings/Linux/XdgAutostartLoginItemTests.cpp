#include "Parlino/Settings/Linux/XdgAutostartLoginItem.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Parlino;

namespace {

struct XdgAutostartTest : ::testing::Test {
    QByteArray entry() const {
        QFile file(folder.filePath(QStringLiteral("autostart/parlino.desktop")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void writeEntry(const QByteArray& text) {
        QDir().mkpath(folder.filePath(QStringLiteral("autostart")));
        QFile file(folder.filePath(QStringLiteral("autostart/parlino.desktop")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QTemporaryDir folder;
    XdgAutostartLoginItem item{folder.filePath(QStringLiteral("autostart")).toStdString(),
                               QStringLiteral("/opt/My Apps/parlino")};
};

TEST_F(XdgAutostartTest, TurningOnWritesTheEntryAndTurningOffRemovesIt) {
    EXPECT_FALSE(item.isEnabled());

    EXPECT_TRUE(item.setEnabled(true));
    EXPECT_TRUE(item.isEnabled());
    const QByteArray text = entry();
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(text.contains("\nType=Application\n"));
    EXPECT_TRUE(text.contains("\nExec=\"/opt/My Apps/parlino\"\n"));
    EXPECT_FALSE(text.contains("Hidden"));

    EXPECT_TRUE(item.setEnabled(false));
    EXPECT_FALSE(item.isEnabled());
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("autostart/parlino.desktop"))));
    EXPECT_TRUE(item.setEnabled(false));
}

TEST_F(XdgAutostartTest, AHiddenEntryIsOffAndTurningOnReplacesIt) {
    writeEntry("[Desktop Entry]\nType=Application\nExec=parlino\nHidden = true\n");
    EXPECT_FALSE(item.isEnabled());
    writeEntry("[Desktop Entry]\nExec=parlino\n[Desktop Action x]\nHidden=true\n");
    EXPECT_TRUE(item.isEnabled());
    writeEntry("[Desktop Entry]\nExec=parlino\nHidden=true\n");

    EXPECT_TRUE(item.setEnabled(true));
    EXPECT_TRUE(item.isEnabled());
    EXPECT_FALSE(entry().contains("Hidden"));
}

TEST_F(XdgAutostartTest, ProgramPathsAreQuotedAsTheEntryFormatAsks) {
    EXPECT_TRUE(XdgAutostartLoginItem::entryText(QStringLiteral("/a/\"b\"$c`d\\e%f"))
                    .contains("\nExec=\"/a/\\\"b\\\"\\$c\\`d\\\\e%%f\"\n"));
}

TEST_F(XdgAutostartTest, ARefusedWriteReportsFailureAndStaysOff) {
    // A file where the autostart folder should be.
    QFile blocker(folder.filePath(QStringLiteral("autostart")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    EXPECT_FALSE(item.setEnabled(true));
    EXPECT_FALSE(item.isEnabled());
}

} // namespace
