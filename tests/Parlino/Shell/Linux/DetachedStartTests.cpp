// A client that finds no application running starts one apart from itself: what the started
// program finds of the client, and how each way a start fails is told apart.
#include "Parlino/Shell/Linux/DetachedStart.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

namespace DetachedStart = Parlino::DetachedStart;
using namespace std::chrono_literals;

namespace {

// A name no test program takes.
const QString busName = QStringLiteral("com.parlino.tests.DetachedStart");

// An executable shell script in `folder` running `body`.
QString script(const QTemporaryDir& folder, const QString& body) {
    const QString path = folder.filePath(QStringLiteral("program"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n" + body.toUtf8() + '\n');
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// Writes to the file %1 whether it leads its own session, its terminal, where its three streams
// go, whether it has descriptor 57, its working folder, which of the standard signals it ignores
// (the C library keeps two real-time ones of its own) and the mark of a start for a client's
// request; then exits with status 3.
const char* const reportOfWhatItGot = R"sh(
set -- $(cut -d' ' -f6,7 /proc/$$/stat)
streams="$(readlink /proc/$$/fd/0) $(readlink /proc/$$/fd/1) $(readlink /proc/$$/fd/2)"
[ -e /proc/$$/fd/57 ] && other=inherited || other=none
ignored=$((0x$(sed -n 's/^SigIgn:[[:space:]]*//p' /proc/$$/status) & 0x7fffffff))
echo "$(($1 == $$)) $2 $streams $other $(pwd) $ignored $PARLINO_STARTED_FOR_HAND_OVER" > '%1'
exit 3)sh";

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// Nothing of the client's terminal reaches the program: not its streams, not the terminal as its
// controlling one, nor any other descriptor the client was handed, nor its working folder, nor the
// hang-up and interrupt a client under nohup or in the background ignores.
TEST(DetachedStart, TheProgramGetsNothingOfTheCallersTerminal) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    // A descriptor open across exec, as a shell may hand one down.
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    ASSERT_EQ(::dup2(pipe[1], 57), 57);
    const auto hangUp = std::signal(SIGHUP, SIG_IGN);
    const auto interrupt = std::signal(SIGINT, SIG_IGN);
    const QString report = folder.filePath(QStringLiteral("report"));
    const QString program = script(folder, QString::fromUtf8(reportOfWhatItGot).arg(report));

    const auto started = DetachedStart::startAndWait(program, busName, 20s);
    std::signal(SIGHUP, hangUp);
    std::signal(SIGINT, interrupt);
    ::close(57);
    ::close(pipe[0]);
    ::close(pipe[1]);

    ASSERT_FALSE(started);
    EXPECT_EQ(started.error(), "Parlino exited with status 3 before it was ready");
    // Its own session's leader, no terminal, /dev/null for all three streams, nothing else, "/",
    // no signal ignored, and the mark of a start for a request that is not its own.
    EXPECT_EQ(contentsOf(report).toStdString(), "1 0 /dev/null /dev/null /dev/null none / 0 1\n");
}

TEST(DetachedStart, EachWayAStartFailsIsToldApart) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());

    const auto missing = DetachedStart::startAndWait(folder.filePath("missing"), busName, 20s);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(), "Parlino could not be started: No such file or directory");

    const auto killed = DetachedStart::startAndWait(script(folder, "kill -KILL $$"), busName, 20s);
    ASSERT_FALSE(killed);
    EXPECT_EQ(killed.error(), "Parlino was ended by signal 9 (Killed) before it was ready");

    const QString pidFile = folder.filePath(QStringLiteral("pid"));
    const QString slow =
        script(folder, QStringLiteral("echo $$ > '%1'; exec sleep 60").arg(pidFile));
    const auto late = DetachedStart::startAndWait(slow, busName, 300ms);
    ASSERT_FALSE(late);
    EXPECT_EQ(late.error(), "Parlino did not start within 0.3 seconds");
    const pid_t sleeper = contentsOf(pidFile).trimmed().toInt();
    ASSERT_GT(sleeper, 0);
    ::kill(sleeper, SIGKILL);
    ::waitpid(sleeper, nullptr, 0);
}
