// The real application with a screen reader (Orca) running, on the desktop that
// scripts/ci-services.sh starts: a read while the user works in a terminal adds nothing to what
// the reader says, and the user who goes to the panel (a click, the Open Parlino shortcut) hears
// the transcript, and leaves the panel with Escape for the terminal again. Orca writes each
// utterance to its debug file as a "SPEECH OUTPUT" line; the test reads those.
#include "Playback/Linux/TestAudio.h"
#include "support/DesktopSession.h"
#include "support/EventLoop.h"
#include "support/FakeSpeechService.h"

#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

// Xlib's macros (None, Bool) come after every C++ header.
#include "DesktopDriver.h"

using namespace DesktopDriver;

namespace {

const QString terminalTitle = QStringLiteral("Parlino e2e terminal");
const QString panelTitle = QStringLiteral("Parlino Panel");
const QString bubbleTitle = QStringLiteral("Parlino Bubble");
const QString text = QStringLiteral("Quiet rooms help people think. Against the noise, a calm "
                                    "voice reads on.");

// What Orca writes to its debug file, as it writes it. The file is a terminal, so that Orca writes
// each line at once rather than when its buffer fills; the test reads it as it comes.
class ScreenReaderLog {
public:
    ScreenReaderLog() : m_terminal(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        if (m_terminal < 0 || grantpt(m_terminal) != 0 || unlockpt(m_terminal) != 0)
            return;
        m_path = QString::fromLocal8Bit(ptsname(m_terminal));
        m_notifier = std::make_unique<QSocketNotifier>(m_terminal, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { drain(); });
    }
    ~ScreenReaderLog() {
        m_notifier.reset();
        if (m_terminal >= 0)
            close(m_terminal);
    }
    // The terminal to give Orca as its debug file; empty when none could be made.
    const QString& path() const { return m_path; }

    // Everything the screen reader has said, in order.
    QStringList spoken() {
        drain();
        QStringList utterances;
        // "SPEECH OUTPUT: 'words'" and the voice's settings: "{'established': False}".
        static const QRegularExpression line(QStringLiteral("SPEECH OUTPUT: '(.*)' ?\\{.*\\}\r?$"));
        for (const QByteArray& entry : m_text.split('\n'))
            if (const auto match = line.match(QString::fromUtf8(entry)); match.hasMatch())
                utterances << match.captured(1);
        return utterances;
    }

private:
    void drain() {
        char buffer[65536];
        ssize_t count = 0;
        while ((count = read(m_terminal, buffer, sizeof buffer)) > 0)
            m_text.append(buffer, count);
    }

    int m_terminal;
    QString m_path;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QByteArray m_text;
};

class ScreenReaderE2E : public ::testing::Test {
protected:
    void SetUp() override {
        PARLINO_REQUIRE_SERVICE(desktop.isOpen() && TestSupport::inDesktopSession(),
                                "no desktop session (scripts/ci-services.sh starts one)");
        if (QStandardPaths::findExecutable(QStringLiteral("orca")).isEmpty())
            GTEST_SKIP() << "no screen reader (the orca package)";
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(storeKey(QStringLiteral("e2e-key")));
        service.serveSpeech(TestAudio::speechMp3(), double(TestAudio::speechFrames()) / 44100);
        const QProcessEnvironment session = QProcessEnvironment::systemEnvironment();

        // The user works in a terminal, with the screen reader on.
        terminal = std::make_unique<Program>(QStringLiteral("xterm"),
                                             QStringList{"-title", terminalTitle}, session);
        ASSERT_TRUE(pumpUntil([&] { return desktop.activeWindowTitle() == terminalTitle; }, 10000))
            << "the terminal never became the active window";
        ASSERT_FALSE(orcaLog.path().isEmpty()) << "no terminal for the screen reader's log";
        screenReader = std::make_unique<Program>(
            QStringLiteral("orca"), QStringList{"--replace", "--debug-file", orcaLog.path()},
            session);
        ASSERT_TRUE(pumpUntil([&] { return spoken().contains("Screen reader on."); }, 30000))
            << "the screen reader never started";

        QProcessEnvironment environment = applicationEnvironment(home, service.baseURL());
        ASSERT_FALSE(environment.isEmpty());
        // Control-Option-O opens Parlino.
        ASSERT_TRUE(writeSettings(home, R"("hasSeenOnboarding":{"bool":true},)"
                                        R"("KeyboardShortcuts_openPanel":{"string":)"
                                        R"("{\"carbonKeyCode\":31,\"carbonModifiers\":6144}"})"));
        app = std::make_unique<Program>(QStringLiteral(PARLINO_APP), QStringList(), environment);
        ASSERT_TRUE(app->waitForLine("tray: icon installed")) << log();
    }

    QStringList spoken() { return orcaLog.spoken(); }

    // Starts the read in the bubble, which shows it while the terminal keeps the focus.
    void startRead() {
        ASSERT_TRUE(callApplication({"com.parlino.app.ReadWithParlino", text}));
        ASSERT_TRUE(app->waitForLine("setState loading -> playing", 20000)) << log();
        ASSERT_TRUE(pumpUntil([&] { return desktop.shownWindow(bubbleTitle).has_value(); }))
            << log();
    }

    std::string log() const { return app->lines().join('\n').toStdString(); }

    Desktop desktop;
    ScreenReaderLog orcaLog;
    QTemporaryDir home;
    TestSupport::FakeSpeechService service;
    std::unique_ptr<Program> terminal;
    std::unique_ptr<Program> screenReader;
    std::unique_ptr<Program> app;
};

} // namespace

TEST_F(ScreenReaderE2E, AReadInTheBackgroundSaysNothingAndThePanelReadsOutWhenTheUserGoesThere) {
    const qsizetype before = spoken().size();
    startRead();
    // The pointer over the bubble brings the panel down, and leaves the focus where it was.
    const std::optional<QRect> bubble = desktop.shownWindow(bubbleTitle);
    ASSERT_TRUE(bubble.has_value());
    desktop.pointTo(bubble->center());
    ASSERT_TRUE(pumpUntil([&] { return desktop.shownWindow(panelTitle).has_value(); })) << log();
    ASSERT_TRUE(app->waitForLine("setState playing -> finished", 30000)) << log();
    EXPECT_EQ(desktop.focusedWindowTitle(), terminalTitle);

    // The user goes to the panel: a click on its header row gives it the focus.
    const std::optional<QRect> panel = desktop.shownWindow(panelTitle);
    ASSERT_TRUE(panel.has_value());
    desktop.click({panel->center().x(), panel->top() + 20});
    ASSERT_TRUE(pumpUntil([&] { return spoken().mid(before).contains(text); }, 15000))
        << spoken().mid(before).join('\n').toStdString();

    // The reader speaks in the order of events: whatever it said about the read came before it
    // named the panel that the click brought to the front.
    const QStringList heard = spoken().mid(before);
    const qsizetype named = heard.indexOf(QStringLiteral("Parlino Panel."));
    ASSERT_GE(named, 0) << heard.join('\n').toStdString();
    EXPECT_EQ(heard.mid(0, named), QStringList()) << "said while the user was in the terminal";
    // Then the transcript, once, by its name and what it is.
    EXPECT_EQ(heard.mid(named + 1).filter(QStringLiteral("Transcript")).size(), 1)
        << heard.join('\n').toStdString();
    EXPECT_TRUE(heard.filter(QRegularExpression(QStringLiteral("\\bselected\\b"))).isEmpty());
}

TEST_F(ScreenReaderE2E, TheOpenShortcutTakesTheUserToThePanelAndEscapeBackToTheTerminal) {
    const qsizetype before = spoken().size();
    startRead();
    desktop.key(XK_Control_L, True);
    desktop.key(XK_Alt_L, True);
    desktop.tap(XK_o);
    desktop.key(XK_Alt_L, False);
    desktop.key(XK_Control_L, False);

    // The panel has the keyboard; the reader, silent until then, names it and reads the
    // transcript out.
    ASSERT_TRUE(pumpUntil([&] { return desktop.focusedWindowTitle() == panelTitle; }))
        << desktop.focusedWindowTitle().toStdString() << "\n"
        << log();
    ASSERT_TRUE(pumpUntil([&] { return spoken().mid(before).contains(text); }, 15000))
        << spoken().mid(before).join('\n').toStdString();
    const QStringList heard = spoken().mid(before);
    EXPECT_EQ(heard.indexOf(QStringLiteral("Parlino Panel.")), 0) << heard.join('\n').toStdString();

    // Escape closes it, and the keyboard is back in the terminal.
    desktop.tap(XK_Escape);
    ASSERT_TRUE(pumpUntil([&] { return !desktop.shownWindow(panelTitle).has_value(); })) << log();
    EXPECT_TRUE(pumpUntil([&] { return desktop.focusedWindowTitle() == terminalTitle; }))
        << desktop.focusedWindowTitle().toStdString();
    EXPECT_TRUE(pumpUntil([&] { return desktop.activeWindowTitle() == terminalTitle; }))
        << desktop.activeWindowTitle().toStdString();
}
