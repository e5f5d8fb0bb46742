// Texts handed to the running application, by `parlino --read` and by other programs on the
// session bus, when they are larger than it takes or it, or the bus, does not answer: each is
// refused with its cause, and the application keeps answering on the bus. A client needs no X
// display for that. When none runs, the client starts one that keeps nothing of the client's
// terminal, or says why it did not start.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>
#include <memory>
#include <vector>

#include <unistd.h>

// Xlib's macros (None, Bool) come after every C++ header.
#include "ApplicationE2E.h"

using namespace ApplicationE2ETesting;

namespace {

// Whether the application answers a ping on the bus.
bool answersPing() {
    QProcess gdbus;
    gdbus.start(QStringLiteral("gdbus"),
                {"call", "--session", "--dest", "com.parlino.app", "--object-path",
                 "/com/parlino/app", "--method", "org.freedesktop.DBus.Peer.Ping"});
    return gdbus.waitForFinished(3000) && gdbus.exitCode() == 0;
}

class TextHandOverE2E : public ApplicationE2E {
protected:
    // The application answers its media controls and pings, five times each, and still reads a
    // short text handed over.
    void expectStillAnswering() {
        for (int call = 0; call < 5; ++call) {
            EXPECT_FALSE(playbackStatus().isEmpty()) << "call " << call;
            EXPECT_TRUE(answersPing()) << "ping " << call;
        }
        const QString piped = QStringLiteral("A short text after the refused one.");
        EXPECT_EQ(runAgain(environment, {"--read"}, piped.toUtf8()), 0);
        EXPECT_TRUE(pumpUntil([&] { return synthesisTexts().contains(piped); }, 10000))
            << app->lines().join('\n').toStdString();
    }

    // Pipes what `producer` (a shell command) writes into `parlino --read`: the client's status
    // and standard error, and on standard output the exit status of the producer's last command.
    TerminalRun readFromPipe(const QString& producer) {
        const QString script =
            producer + QStringLiteral(" | \"$0\" --read; s=(\"${PIPESTATUS[@]}\"); "
                                      "echo \"${s[-2]}\"; exit \"${s[-1]}\"");
        return runForAnswer(environment, {"-c", script, PARLINO_APP}, {}, QStringLiteral("bash"));
    }

    bool handedOverAnything() const {
        return !app->lines().filter(QStringLiteral("readWithParlino")).isEmpty();
    }

    // Stops the application the test started, leaving the session without one.
    void stopTheApplication() {
        app.reset();
        ASSERT_TRUE(pumpUntil([] { return sessionInstance() == 0; }));
    }
};

// The application a client started, ended with the test whatever its outcome.
struct StartedByTheClient {
    ~StartedByTheClient() {
        if (const qint64 pid = sessionInstance()) {
            ::kill(pid_t(pid), SIGTERM);
            pumpUntil([] { return sessionInstance() == 0; }, 15000);
        }
    }
};

// The process's session and where its standard streams lead, as "<session> <0> <1> <2>".
QString sessionAndStreams(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    // The fields after the command's name, which ends with the last ')': state, parent, group,
    // session.
    const QList<QByteArray> fields = stat.readAll().split(')').last().trimmed().split(' ');
    QStringList answer{QString::fromLatin1(fields.value(3))};
    for (int stream = 0; stream < 3; ++stream)
        answer << QFile::symLinkTarget(QStringLiteral("/proc/%1/fd/%2").arg(pid).arg(stream));
    return answer.join(u' ');
}

// The processes `pid` started that still run.
QList<qint64> childrenOf(qint64 pid) {
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    QList<qint64> pids;
    if (children.open(QIODevice::ReadOnly))
        for (const QByteArray& child : children.readAll().split(' '))
            if (const qint64 id = child.trimmed().toLongLong())
                pids << id;
    return pids;
}

const std::string tooLarge =
    "parlino: the text is larger than 8 MiB (8388608 bytes of UTF-8), the most Parlino reads at "
    "once\n";

TEST_F(TextHandOverE2E, standardInputPastTheBoundIsRefusedBeforeAnythingIsSent) {
    ASSERT_TRUE(pumpUntil([] { return sessionInstance() != 0; }));
    const TerminalRun oneByteOver =
        runForAnswer(environment, {"--read"}, QByteArray(8 * 1024 * 1024 + 1, 'a'));
    EXPECT_EQ(oneByteOver.status, 1);
    EXPECT_EQ(oneByteOver.err.toStdString(), tooLarge);

    const TerminalRun hundredMegabytes =
        readFromPipe(QStringLiteral("head -c 100M /dev/zero | tr '\\0' a | fold -w80"));
    EXPECT_EQ(hundredMegabytes.status, 1);
    EXPECT_EQ(hundredMegabytes.err.toStdString(), tooLarge);

    EXPECT_FALSE(handedOverAnything()) << app->lines().join('\n').toStdString();
    EXPECT_FALSE(desktop.shownWindow("Parlino Panel").has_value());
    expectStillAnswering();
}

TEST_F(TextHandOverE2E, aGigabyteOnStandardInputIsNotReadToItsEnd) {
    ASSERT_TRUE(pumpUntil([] { return sessionInstance() != 0; }));
    const TerminalRun run = readFromPipe(QStringLiteral("yes 'A line of text.' | head -c 1G"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.toStdString(), tooLarge);
    // The client went before the gigabyte was written: the writer met a closed pipe.
    EXPECT_FALSE(run.out.trimmed().isEmpty());
    EXPECT_NE(run.out.trimmed().toStdString(), "0");
    EXPECT_FALSE(handedOverAnything());
}

// A Latin-1 file: in a UTF-8 locale nothing is sent and the client says where the text is not
// UTF-8; in a Latin-1 locale (made for the test) it is read whole, Windows quotes and dashes too,
// and a program's colours in 8-bit control sequences are not.
TEST_F(TextHandOverE2E, aLatin1TextIsRefusedSayingWhereOrReadWholeInALatin1Locale) {
    ASSERT_TRUE(pumpUntil([] { return sessionInstance() != 0; }));
    const QByteArray latin1("Un caf\xe9 cr\xe8me.", 15);
    const TerminalRun refused = runForAnswer(environment, {"--read"}, latin1);
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.startsWith("parlino: standard input is not UTF-8 text: at byte 7 "
                                       "(line 1, column 7) comes 0xE9"))
        << refused.err.toStdString();
    EXPECT_FALSE(handedOverAnything());

    const QString locales = home.filePath(QStringLiteral("locales"));
    QDir().mkpath(locales);
    ASSERT_EQ(QProcess::execute(QStringLiteral("localedef"),
                                {"-i", "fr_FR", "-f", "ISO-8859-1", locales + "/fr_FR.ISO-8859-1"}),
              0);
    QProcessEnvironment inLatin1 = environment;
    inLatin1.remove(QStringLiteral("LC_ALL"));
    inLatin1.remove(QStringLiteral("LC_CTYPE"));
    inLatin1.insert("LOCPATH", locales);
    inLatin1.insert("LANG", "fr_FR.ISO-8859-1");
    EXPECT_EQ(runAgain(inLatin1, {"--read"}, latin1), 0);
    EXPECT_TRUE(pumpUntil(
        [&] { return synthesisTexts().contains(QStringLiteral("Un caf\u00e9 cr\u00e8me.")); },
        10000))
        << app->lines().join('\n').toStdString();
    EXPECT_EQ(runAgain(inLatin1, {"--read"}, "Il a dit \x93oui\x94 \x96 puis il est parti."), 0);
    EXPECT_TRUE(pumpUntil(
        [&] {
            return synthesisTexts().contains(
                QStringLiteral("Il a dit \u201Coui\u201D \u2013 puis il est parti."));
        },
        10000))
        << app->lines().join('\n').toStdString();
    EXPECT_EQ(runAgain(inLatin1, {"--read"},
                       "\x9b"
                       "1;31mRouge\x9b"
                       "0m et \x9b"
                       "1mgras\x9b"
                       "0m.\n"),
              0);
    EXPECT_TRUE(pumpUntil(
        [&] { return synthesisTexts().contains(QStringLiteral("Rouge et gras.")); }, 10000))
        << synthesisTexts().join('\n').toStdString();
}

TEST_F(TextHandOverE2E, utf16WithoutAByteOrderMarkIsReadAsWritten) {
    ASSERT_TRUE(pumpUntil([] { return sessionInstance() != 0; }));
    const TerminalRun run =
        readFromPipe(QStringLiteral("printf 'Hello without a mark.' | iconv -t UTF-16LE"));
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(pumpUntil(
        [&] { return synthesisTexts().contains(QStringLiteral("Hello without a mark.")); }, 10000))
        << synthesisTexts().join('\n').toStdString();
}

TEST_F(TextHandOverE2E, anotherSenderPastTheBoundGetsAnErrorAndTheApplicationKeepsAnswering) {
    ASSERT_TRUE(pumpUntil([] { return sessionInstance() != 0; }));
    // Larger than the bus library lets a connection hold unread by default.
    QDBusMessage call = QDBusMessage::createMethodCall("com.parlino.app", "/com/parlino/app",
                                                       "com.parlino.app", "ReadWithParlino");
    call << QString(70'000'000, u'a');
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 60000);
    call = {};

    EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(reply.errorName().toStdString(), "com.parlino.app.Error.TextTooLarge");
    EXPECT_EQ("parlino: " + reply.errorMessage().toStdString() + '\n', tooLarge);
    EXPECT_FALSE(desktop.shownWindow("Parlino Panel").has_value()) << "the panel stays as it was";
    expectStillAnswering();
}

// The text waits on the bus for the stopped application, which reads it once it runs again, as
// the client says it may.
TEST_F(TextHandOverE2E, aReadThatTheApplicationDoesNotTakeInTimeIsToldItMayStillBeRead) {
    ASSERT_TRUE(pumpUntil([] { return sessionInstance() != 0; }));
    const qint64 pid = app->processId();
    ::kill(pid_t(pid), SIGSTOP);
    const QString late = QStringLiteral("Taken once it runs again.");
    const TerminalRun run =
        runForAnswer(environment, {"--read"}, late.toUtf8(), PARLINO_APP, 25000);
    ::kill(pid_t(pid), SIGCONT);

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.toStdString(),
              "parlino: the running Parlino did not take the text within 10 seconds; it may "
              "still read the text once it answers again, so trying again could read it twice\n");
    EXPECT_TRUE(pumpUntil([&] { return synthesisTexts().contains(late); }, 15000))
        << app->lines().join('\n').toStdString();
}

// A session bus that takes the connection and never says a word, as one that hangs: the client
// and a second start say so within their bound, instead of waiting with it for good.
TEST_F(TextHandOverE2E, aSessionBusThatNeverAnswersIsNamedWithinTheBound) {
    QLocalServer silentBus;
    ASSERT_TRUE(silentBus.listen(home.filePath(QStringLiteral("silent-bus"))));
    QProcessEnvironment silent = environment;
    silent.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + silentBus.fullServerName());
    const std::string answer = "parlino: the session bus did not answer within 3 seconds\n";
    QProcess read;
    QProcess start;
    for (QProcess* process : {&read, &start}) {
        process->setProcessEnvironment(silent);
        process->start(QStringLiteral(PARLINO_APP),
                       process == &read ? QStringList{"--read"} : QStringList());
        process->write("Nobody hears this.");
        process->closeWriteChannel();
    }
    for (QProcess* process : {&read, &start}) {
        ASSERT_TRUE(process->waitForFinished(25000)) << "still waiting on the bus";
        EXPECT_EQ(process->exitCode(), 1);
        EXPECT_EQ(process->readAllStandardError().toStdString(), answer);
    }
}

// The client's output goes through `cat`, which ends once every writer has closed the pipe: the
// client and whatever it left holding it. Nothing reaches the terminal after the client, however
// many reads follow.
TEST_F(TextHandOverE2E, aReadWithNoApplicationRunningStartsOneApartFromTheTerminal) {
    stopTheApplication();
    const StartedByTheClient started;
    const auto readThroughATerminal = [&](const QString& text) {
        return runForAnswer(
            environment,
            {"-c", "printf %s \"$1\" | \"$0\" --read 2>&1 | cat; echo \"client ${PIPESTATUS[1]}\"",
             PARLINO_APP, text},
            {}, QStringLiteral("bash"), 30000);
    };

    const QString first = QStringLiteral("Parlino was not running when this was handed over.");
    const TerminalRun starting = readThroughATerminal(first);
    EXPECT_EQ(starting.status, 0) << "the terminal's pipe stayed open after the client";
    EXPECT_EQ(starting.out.toStdString(), "client 0\n");
    const qint64 pid = sessionInstance();
    ASSERT_NE(pid, 0);
    EXPECT_EQ(sessionAndStreams(pid).toStdString(),
              std::to_string(pid) + " /dev/null /dev/null /dev/null");
    EXPECT_TRUE(pumpUntil([&] { return synthesisTexts().contains(first); }, 15000));

    const QString second = QStringLiteral("A second text, for the one the client started.");
    const TerminalRun running = readThroughATerminal(second);
    EXPECT_EQ(running.status, 0);
    EXPECT_EQ(running.out.toStdString(), "client 0\n");
    EXPECT_TRUE(pumpUntil([&] { return synthesisTexts().contains(second); }, 15000));
    EXPECT_EQ(sessionInstance(), pid);
}

// A client in an SSH login, a cron job or a terminal multiplexer that kept an old DISPLAY: the text
// goes over the session bus, which needs no X display, and many clients at once are all heard.
TEST_F(TextHandOverE2E, aReadWithoutAnXDisplayIsHandedOverOnTheSessionBus) {
    ASSERT_TRUE(pumpUntil([] { return sessionInstance() != 0; }));
    SilentXServer silent;
    const std::optional<QString> displays[] = {std::nullopt, QString(), deadDisplay(),
                                               silent.display()};
    QList<QProcessEnvironment> environments;
    for (const auto& display : displays) {
        QProcessEnvironment without = environment;
        without.remove("DISPLAY");
        if (display)
            without.insert("DISPLAY", *display);
        environments << without;
        const QString text =
            QStringLiteral("Handed over with DISPLAY %1.").arg(display.value_or("unset"));
        const TerminalRun run = runForAnswer(without, {"--read"}, text.toUtf8());
        EXPECT_EQ(run.status, 0) << text.toStdString();
        EXPECT_EQ(run.err.toStdString(), "");
        EXPECT_TRUE(pumpUntil([&] { return synthesisTexts().contains(text); }, 10000))
            << text.toStdString();
    }

    const qsizetype before = app->lines().filter(QStringLiteral("readWithParlino")).size();
    std::vector<std::unique_ptr<QProcess>> clients;
    for (int client = 0; client < 20; ++client) {
        auto& process = clients.emplace_back(std::make_unique<QProcess>());
        process->setProcessEnvironment(environments[client % environments.size()]);
        process->start(QStringLiteral(PARLINO_APP), {"--read"});
        process->write(QStringLiteral("Client %1 of twenty.").arg(client).toUtf8());
        process->closeWriteChannel();
    }
    for (const auto& process : clients) {
        ASSERT_TRUE(process->waitForFinished(30000));
        EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
    }
    EXPECT_TRUE(pumpUntil([&] {
        return app->lines().filter(QStringLiteral("readWithParlino")).size() == before + 20;
    })) << app->lines().join('\n').toStdString();
}

// With none running, a read without a display cannot start one, and says why; so does one that
// finds no session bus, naming where it looked for it.
TEST_F(TextHandOverE2E, aReadThatCannotStartTheApplicationOrFindTheBusSaysWhy) {
    stopTheApplication();
    const QString dead = deadDisplay();
    const struct {
        std::optional<QString> display;
        QString cause;
    } rows[] = {
        {std::nullopt, "DISPLAY is not set"},
        {dead, "no X server answers on DISPLAY=" + dead},
    };
    for (const auto& row : rows) {
        QProcessEnvironment without = environment;
        without.remove("DISPLAY");
        if (row.display)
            without.insert("DISPLAY", *row.display);
        const TerminalRun run = runForAnswer(without, {"--read"}, "Nobody can start for this.");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err.toStdString(),
                  ("parlino: Parlino is not running, and starting it needs an X11 display: " +
                   row.cause + '\n')
                      .toStdString());
    }
    EXPECT_EQ(sessionInstance(), 0);

    QTemporaryDir runtime;
    QProcessEnvironment busless = environment;
    busless.remove("DBUS_SESSION_BUS_ADDRESS");
    busless.remove("DISPLAY"); // no bus of its own is started for the display either
    busless.insert("XDG_RUNTIME_DIR", runtime.path());
    const TerminalRun run = runForAnswer(busless, {"--read"}, "No bus carries this.");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.toStdString(),
              ("parlino: there is no session bus to hand the text over on: "
               "DBUS_SESSION_BUS_ADDRESS is not set, and no bus listens at " +
               runtime.path() + "/bus\n")
                  .toStdString());
}

// Without the bus's address in the environment, as after `ssh` into the machine, the client finds
// the user's bus where the service manager keeps it, in the runtime folder.
TEST_F(TextHandOverE2E, aReadWithoutTheBusAddressFindsTheUsersBus) {
    ASSERT_TRUE(pumpUntil([] { return sessionInstance() != 0; }));
    const auto path = QRegularExpression("^unix:path=([^,]+)")
                          .match(environment.value("DBUS_SESSION_BUS_ADDRESS"));
    if (!path.hasMatch())
        GTEST_SKIP() << "the session bus has no socket in the file system to link";
    QTemporaryDir runtime;
    ASSERT_EQ(::link(QFile::encodeName(path.captured(1)).constData(),
                     QFile::encodeName(runtime.filePath("bus")).constData()),
              0);
    QProcessEnvironment userBus = environment;
    userBus.remove("DBUS_SESSION_BUS_ADDRESS");
    userBus.remove("DISPLAY");
    userBus.insert("XDG_RUNTIME_DIR", runtime.path());
    const QString text = QStringLiteral("Found on the user's bus.");
    const TerminalRun run = runForAnswer(userBus, {"--read"}, text.toUtf8());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(pumpUntil([&] { return synthesisTexts().contains(text); }, 10000));
}

TEST_F(TextHandOverE2E, aReadWhoseApplicationEndsAsItStartsSaysHowItEnded) {
    stopTheApplication();
    QProcess client;
    client.setProcessEnvironment(environment);
    client.start(QStringLiteral(PARLINO_APP), {"--read"});
    client.write("Nobody is left to read this.");
    client.closeWriteChannel();
    QList<qint64> starting;
    ASSERT_TRUE(
        pumpUntil([&] { return !(starting = childrenOf(client.processId())).isEmpty(); }, 15000));
    ::kill(pid_t(starting.first()), SIGKILL);

    ASSERT_TRUE(client.waitForFinished(15000));
    EXPECT_EQ(client.exitCode(), 1);
    EXPECT_EQ(client.readAllStandardError().toStdString(),
              "parlino: Parlino was ended by signal 9 (Killed) before it was ready\n");
    EXPECT_EQ(sessionInstance(), 0);
}

} // namespace
