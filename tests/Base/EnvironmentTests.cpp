#include "Base/Environment.h"

#include "support/EventLoop.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

namespace Environment = Base::Environment;

QByteArray valueIn(const QByteArrayList& entries, const QByteArray& name) {
    for (const QByteArray& entry : entries)
        if (entry.startsWith(name + '='))
            return entry.mid(name.size() + 1);
    return "(absent)";
}

// A variable set for the process alone is what the process sees, and what it had at its start is
// what the programs it starts see: its starting value, or none; every other variable, whatever
// its bytes, goes to them as it is.
TEST(Environment, ProgramsStartedGetTheVariablesSetForTheProcessAsTheyWereAtItsStart) {
    qputenv("PARLINO_TEST_HAD", "started");
    qunsetenv("PARLINO_TEST_NEW");
    qputenv("PARLINO_TEST_OTHER", QByteArray("caf\xe9", 4));
    Environment::setForThisProcess("PARLINO_TEST_HAD", "mine");
    Environment::setForThisProcess("PARLINO_TEST_HAD", "mine again");
    Environment::setForThisProcess("PARLINO_TEST_NEW", "mine");
    EXPECT_EQ(qgetenv("PARLINO_TEST_HAD"), "mine again");
    EXPECT_EQ(qgetenv("PARLINO_TEST_NEW"), "mine");

    const QByteArrayList entries = Environment::entriesForStartedPrograms();
    EXPECT_EQ(valueIn(entries, "PARLINO_TEST_HAD"), "started");
    EXPECT_EQ(valueIn(entries, "PARLINO_TEST_NEW"), "(absent)");
    EXPECT_EQ(valueIn(entries, "PARLINO_TEST_OTHER"), QByteArray("caf\xe9", 4));
    EXPECT_EQ(valueIn(entries, "PATH"), qgetenv("PATH"));
    EXPECT_EQ(entries.count("PARLINO_TEST_HAD=started"), 1);

    // A program started detached gets the same.
    const QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString seen = folder.filePath(QStringLiteral("seen"));
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sh"));
    ASSERT_TRUE(Environment::startDetached(
        shell, {QStringLiteral("-c"), QStringLiteral("env > \"$0.part\" && mv \"$0.part\" \"$0\""),
                seen}));
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return QFile::exists(seen); }, 10000));
    QFile file(seen);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArrayList lines = file.readAll().split('\n');
    EXPECT_EQ(valueIn(lines, "PARLINO_TEST_HAD"), "started");
    EXPECT_EQ(valueIn(lines, "PARLINO_TEST_NEW"), "(absent)");
    EXPECT_EQ(valueIn(lines, "PARLINO_TEST_OTHER"), QByteArray("caf\xe9", 4));

    QString why;
    EXPECT_FALSE(Environment::startDetached(folder.filePath(QStringLiteral("missing")), {}, &why));
    EXPECT_FALSE(why.isEmpty());
}

} // namespace
