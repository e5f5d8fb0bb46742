// Texts handed to the running application by other programs on the session bus when they are
// larger than it takes: each is refused with its cause, and the application keeps answering on
// the bus.
#include <QDBusConnection>
#include <QDBusMessage>

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
};

const std::string tooLarge =
    "parlino: the text is larger than 8 MiB (8388608 bytes of UTF-8), the most Parlino reads at "
    "once\n";

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

} // namespace
