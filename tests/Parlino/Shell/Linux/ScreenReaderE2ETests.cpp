// The real application with a screen reader (Orca) running, on the desktop that
// scripts/ci-services.sh starts: a read while the user works in a terminal or an editor adds
// nothing to what the reader says, also when the shortcut starts it; the user who clicks the panel
// hears the transcript; the user
// who asks to open Parlino during a read hears the panel and a control named, not the text, which
// is one Shift+Tab away, and Tab goes on through the header's buttons; Escape leaves the panel for
// the user's window again. Orca writes each utterance to its debug file as a "SPEECH OUTPUT" line;
// the test reads those.
#include "Parlino/Services/OnboardingModel.h"
#include "Playback/Linux/TestAudio.h"
#include "support/DesktopSession.h"
#include "support/EventLoop.h"
#include "support/FakeSpeechService.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
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
const QString editorFile = QStringLiteral("quiet-rooms.txt");
const QString text = QStringLiteral("Quiet rooms help people think. Against the noise, a calm "
                                    "voice reads on.");
// The longest a loaded desktop takes to show or hide a window, move the focus or speak after a
// key, in milliseconds.
constexpr int desktopWaitMs = 15000;
// The longest the reader takes to name the control that a key moved the focus to: it handles the
// key first, and may still be busy with what came before.
constexpr int keyFocusSpokenMs = 45000;
// Orca for this desktop session alone, writing all it does to the file named first: its own command
// ends every Orca of the user, in every session, the screen readers of tests that run beside this
// one too, and refuses to start beside one. It speaks to that file only: a speech server sometimes
// takes half a minute to fall silent at a key, and the reader waits for it.
const char* const screenReaderProgram = R"(import sys
from orca import debug, settings
settings.speechFactoryModules = []
settings.speechServerFactory = ''
debug.debugLevel = debug.LEVEL_ALL
debug.eventDebugLevel = debug.LEVEL_OFF
debug.debugFile = open(sys.argv[1], 'w')
from orca import orca
manager = orca.getSettingsManager()
manager.activate(None, {})
sys.path.insert(0, manager.getPrefsDir())
sys.exit(orca.main())
)";

// The interpreter that a script names on its first line; empty for another file.
QString interpreterOf(const QString& script) {
    QFile file(script);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray first = file.readLine().trimmed();
    return first.startsWith("#!") ? QString::fromUtf8(first.mid(2).trimmed().split(' ').first())
                                  : QString();
}

// What the screen reader echoes of a key pressed in the window it follows.
const QRegularExpression
    keyEcho(QStringLiteral("^((left|right) (control|alt|shift|super)|tab|escape)\\s*$"));

// What the screen reader said, without the keys it echoed.
QStringList withoutKeys(QStringList said) {
    said.removeIf([](const QString& utterance) { return keyEcho.match(utterance).hasMatch(); });
    return said;
}

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
        // "SPEECH OUTPUT: 'words'" and the voice's settings: "{'established': False}", or a list
        // of them for words said in a voice of their own.
        static const QRegularExpression line(
            QStringLiteral("SPEECH OUTPUT: '(.*)' ?\\[?\\{.*\\}\\]?\r?$"));
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
    }
    // The user works in `program`, whose window's title holds `title`, and does `first` there;
    // then the screen reader and Parlino start. The user's programs have a home of their own, and
    // GSettings that live only as long as they run: an editor killed at the end of an earlier
    // test would otherwise leave a session that the next one restores.
    void workIn(const QString& program, const QStringList& arguments, const QString& title,
                const std::function<void()>& first = {}) {
        startUserApp(program, arguments, title);
        if (HasFatalFailure())
            return;
        if (first)
            first();
        startScreenReader();
        if (!HasFatalFailure())
            startApplication();
    }
    // The programs of the user's session. The test itself runs off screen. Qt applications
    // export their accessible tree only when asked to, or when the screen reader ran before them.
    QProcessEnvironment sessionEnvironment() const {
        QProcessEnvironment session = TestSupport::withOwnHome(
            QProcessEnvironment::systemEnvironment(), home.filePath("user"));
        session.insert("GSETTINGS_BACKEND", "memory");
        session.insert("QT_QPA_PLATFORM", "xcb");
        session.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        return session;
    }
    void startUserApp(const QString& program, const QStringList& arguments, const QString& title) {
        userApp = std::make_unique<Program>(program, arguments, sessionEnvironment());
        ASSERT_TRUE(pumpUntil([&] { return desktop.activeWindowTitle().contains(title); }, 30000))
            << "the user's window never became the active window: "
            << desktop.activeWindowTitle().toStdString();
    }
    void startScreenReader() {
        ASSERT_FALSE(orcaLog.path().isEmpty()) << "no terminal for the screen reader's log";
        const QString interpreter =
            interpreterOf(QStandardPaths::findExecutable(QStringLiteral("orca")));
        ASSERT_FALSE(interpreter.isEmpty()) << "the orca command is no script";
        screenReader = std::make_unique<Program>(
            interpreter, QStringList{"-c", QString::fromUtf8(screenReaderProgram), orcaLog.path()},
            sessionEnvironment());
        ASSERT_TRUE(pumpUntil([&] { return spoken().contains("Screen reader on."); }, 60000))
            << "the screen reader never started";
    }
    void startApplication() {
        QProcessEnvironment environment = applicationEnvironment(home, service.baseURL());
        ASSERT_FALSE(environment.isEmpty());
        // Control-Option-O opens Parlino; Control-Option-Shift-O reads the selection.
        ASSERT_TRUE(writeSettings(
            home, (tutorialSeen ? R"("hasSeenOnboarding":{"bool":true},)" : QByteArray()) +
                      R"("KeyboardShortcuts_openPanel":{"string":)"
                      R"("{\"carbonKeyCode\":31,\"carbonModifiers\":6144}"},)"
                      R"("KeyboardShortcuts_readSelection":{"string":)"
                      R"("{\"carbonKeyCode\":31,\"carbonModifiers\":6656}"})"));
        app = std::make_unique<Program>(QStringLiteral(PARLINO_APP), QStringList(), environment);
        ASSERT_TRUE(app->waitForLine("tray: icon installed", 30000)) << log();
    }
    void workInTerminal() {
        workIn(QStringLiteral("xterm"), {"-title", terminalTitle}, terminalTitle);
    }

    QStringList spoken() { return orcaLog.spoken(); }
    // The texts sent for synthesis, in order.
    QStringList syntheses() const {
        QStringList texts;
        for (const auto& request : service.requests())
            if (request.path().endsWith("/with-timestamps"))
                texts << QString::fromStdString(request.json()["text"].get<std::string>());
        return texts;
    }
    qsizetype finishedReads() const {
        return app->lines().filter(QStringLiteral("setState playing -> finished")).size();
    }

    // Starts the read in the bubble, which shows it while the terminal keeps the focus.
    void startRead() {
        ASSERT_TRUE(callApplication({"com.parlino.app.ReadWithParlino", text}));
        ASSERT_TRUE(app->waitForLine("setState loading -> playing", 20000)) << log();
        ASSERT_TRUE(
            pumpUntil([&] { return desktop.shownWindow(bubbleTitle).has_value(); }, desktopWaitMs))
            << log();
    }

    std::string log() const { return app->lines().join('\n').toStdString(); }
    // The shortcut stored under `name` as the application wrote it, or nothing.
    QByteArray storedShortcut(const QString& name) const {
        QFile file(home.filePath("config/Parlino/com.parlino.app.json"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QJsonObject values = QJsonDocument::fromJson(file.readAll())["values"].toObject();
        return values[QStringLiteral("KeyboardShortcuts_") + name]["string"].toString().toUtf8();
    }

    // Opens the editor `program` with `options` on three lines, and reads each line by the
    // shortcut; the screen reader says nothing meanwhile.
    void readEachLineByTheShortcut(const QString& program, const QStringList& options);

    // Taps `key` with `modifiers` held.
    void withKeys(std::initializer_list<KeySym> modifiers, KeySym key) {
        for (const KeySym modifier : modifiers)
            desktop.key(modifier, True);
        desktop.tap(key);
        for (const KeySym modifier : modifiers)
            desktop.key(modifier, False);
    }

    // Presses Tab, or Shift+Tab when `back`, until the control the reader names as the focus
    // begins with `name`, at most `presses` times; whether it did. The reader says a control's
    // role after its name, last of all for a field ("Shortcut to open Parlino text."). A failure
    // says what was heard.
    bool tabTo(const char* name, int presses, bool back = false) {
        static const QRegularExpression control(QStringLiteral(
            "\\b(push button|check box|page tab|combo box|read only text)\\b|\\btext\\.$"));
        const QRegularExpression wanted(QStringLiteral("^%1\\b").arg(QLatin1String(name)));
        const qsizetype start = spoken().size();
        for (int pressed = 0; pressed < presses; ++pressed) {
            const qsizetype from = spoken().size();
            if (back)
                withKeys({XK_Shift_L}, XK_Tab);
            else
                desktop.tap(XK_Tab);
            const auto named = [&] { return spoken().mid(from).filter(control); };
            if (!pumpUntil([&] { return !named().isEmpty(); }, keyFocusSpokenMs))
                break;
            if (named().constFirst().contains(wanted))
                return true;
        }
        ADD_FAILURE() << name << " not reached:\n"
                      << spoken().mid(start).join('\n').toStdString()
                      << (screenReader->isRunning() ? "" : "\n(the screen reader has ended)");
        return false;
    }

    // Space on the control that has the focus, an armed button's first press: the reader says
    // what the second press would do.
    void armAndHear(const QString& armed) {
        const qsizetype from = spoken().size();
        desktop.tap(XK_space);
        EXPECT_TRUE(pumpUntil([&] { return spoken().mid(from).contains(armed); }, desktopWaitMs))
            << armed.toStdString() << ":\n"
            << spoken().mid(from).join('\n').toStdString();
    }

    // Whether the application starts as for a user who has seen the tutorial.
    bool tutorialSeen = true;
    Desktop desktop;
    ScreenReaderLog orcaLog;
    QTemporaryDir home;
    TestSupport::FakeSpeechService service;
    std::unique_ptr<Program> userApp;
    std::unique_ptr<Program> screenReader;
    std::unique_ptr<Program> app;
};

} // namespace

TEST_F(ScreenReaderE2E, AReadInTheBackgroundSaysNothingAndThePanelReadsOutWhenTheUserGoesThere) {
    workInTerminal();
    const qsizetype before = spoken().size();
    startRead();
    // The pointer over the bubble brings the panel down, and leaves the focus where it was.
    const std::optional<QRect> bubble = desktop.shownWindow(bubbleTitle);
    ASSERT_TRUE(bubble.has_value());
    desktop.pointTo(bubble->center());
    ASSERT_TRUE(
        pumpUntil([&] { return desktop.shownWindow(panelTitle).has_value(); }, desktopWaitMs))
        << log();
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

TEST_F(ScreenReaderE2E, OpenParlinoDuringAReadFromAnEditorNamesAControlAndLeavesTheTextATabAway) {
    // The user reads from a text editor, whose window the screen reader follows.
    QFile file(home.filePath(editorFile));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) > 0);
    file.close();
    // The whole text selected, a tap of the right Super key reads it.
    workIn(QStringLiteral("mousepad"), {"--disable-server", file.fileName()}, editorFile,
           [&] { withKeys({XK_Control_L}, XK_a); });
    // The reader has presented the editor, its selection last.
    ASSERT_TRUE(pumpUntil([&] { return spoken().contains(text + " selected."); }, 15000))
        << spoken().join('\n').toStdString();
    const qsizetype beforeRead = spoken().size();
    desktop.tap(XK_Super_R);
    ASSERT_TRUE(app->waitForLine("setState loading -> playing", 20000)) << log();
    const auto request = service.requests().constLast();
    ASSERT_TRUE(request.path().endsWith("/with-timestamps"));
    EXPECT_EQ(QString::fromStdString(request.json()["text"].get<std::string>()), text);

    // Open Parlino: the panel has the keyboard, and the reader names it and the read's control.
    withKeys({XK_Control_L, XK_Alt_L}, XK_o);
    ASSERT_TRUE(
        pumpUntil([&] { return desktop.focusedWindowTitle() == panelTitle; }, desktopWaitMs))
        << desktop.focusedWindowTitle().toStdString() << "\n"
        << log();
    const QRegularExpression control(QStringLiteral("(Pause|Play) push button.*"));
    ASSERT_TRUE(pumpUntil([&] { return spoken().mid(beforeRead).indexOf(control) >= 0; }, 15000))
        << spoken().mid(beforeRead).join('\n').toStdString();
    // Apart from the keys it echoes, the reader said nothing of the read until then.
    QStringList heard = withoutKeys(spoken().mid(beforeRead));
    EXPECT_EQ(heard.indexOf(QStringLiteral("Parlino Panel.")), 0)
        << "said during the read: " << heard.join('\n').toStdString();

    // The transcript is one Shift+Tab back, where the reader reads it out, once.
    withKeys({XK_Shift_L}, XK_Tab);
    ASSERT_TRUE(pumpUntil([&] { return spoken().mid(beforeRead).contains(text); }, 15000))
        << spoken().mid(beforeRead).join('\n').toStdString();
    heard = spoken().mid(beforeRead);
    const qsizetype named = heard.indexOf(control);
    const qsizetype read = heard.indexOf(text);
    EXPECT_EQ(heard.mid(0, read).filter(QRegularExpression(QStringLiteral("Quiet|noise|calm"))),
              QStringList())
        << heard.join('\n').toStdString();
    EXPECT_LT(named, read);
    EXPECT_EQ(heard.count(text), 1);

    // Tab goes on through the read's controls to every button of the header.
    for (const char* button :
         {"Settings", "Voices", "Audio Clips", "Mute Parlino", "Pin panel open", "Close"})
        tabTo(button, 4);

    // Escape closes the panel, and the keyboard is back in the editor.
    desktop.tap(XK_Escape);
    ASSERT_TRUE(
        pumpUntil([&] { return !desktop.shownWindow(panelTitle).has_value(); }, desktopWaitMs))
        << log();
    EXPECT_TRUE(
        pumpUntil([&] { return desktop.activeWindowTitle().contains(editorFile); }, desktopWaitMs))
        << desktop.activeWindowTitle().toStdString();
}

// The shortcut's keys go to Parlino alone; the editor keeps the focus while they are down, so the
// reader does not present its window, its text and the selection again over the start of the read.
// Each line is read with the O key held a little longer, as people hold keys: a Qt application
// takes its window for deactivated once a focus-out lasts past a short delay.
void ScreenReaderE2E::readEachLineByTheShortcut(const QString& program,
                                                const QStringList& options) {
    const QStringList lines{QStringLiteral("Amber valleys hold the morning light."),
                            QStringLiteral("Bravo rivers carry it to the sea."),
                            QStringLiteral("Cedar hills keep the evening calm.")};
    const int holdsMs[] = {100, 400, 1000};
    QFile file(home.filePath(editorFile));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(lines.join('\n').toUtf8()) > 0);
    file.close();
    // Parlino and the reader run first, as on the user's desktop: a Qt application sends the
    // reader's events only to the listeners there were when it started.
    startApplication();
    if (!HasFatalFailure())
        startScreenReader();
    if (!HasFatalFailure())
        startUserApp(program, options + QStringList{file.fileName()}, editorFile);
    if (HasFatalFailure())
        return;
    // The reader follows the editor's text and reads the line with the cursor.
    ASSERT_TRUE(pumpUntil([&] { return spoken().contains(lines[0]); }, 15000))
        << spoken().join('\n').toStdString();

    for (qsizetype round = 0; round < lines.size(); ++round) {
        const QString& line = lines[round];
        const qsizetype unselected = spoken().size();
        withKeys({XK_Control_L}, XK_Home);
        for (qsizetype down = 0; down < round; ++down)
            desktop.tap(XK_Down);
        withKeys({XK_Shift_L}, XK_End);
        // "Text unselected." may come first.
        static const QRegularExpression selected(QStringLiteral("(^| )selected\\.?$"));
        // A reader that never heard the editor's selection cannot tell what the shortcut made it
        // say: a loaded machine sometimes starts the editor before the reader listens.
        if (!pumpUntil([&] { return spoken().mid(unselected).indexOf(selected) >= 0; }, 15000))
            GTEST_SKIP() << "the screen reader never said the selection:\n"
                         << spoken().join('\n').toStdString();
        const qsizetype before = spoken().size();
        const qsizetype reads = syntheses().size();

        for (const KeySym modifier : {XK_Control_L, XK_Alt_L, XK_Shift_L})
            desktop.key(modifier, True);
        desktop.key(XK_o, True);
        // The hold is the user's, not a wait for the application.
        pumpUntil([] { return false; }, holdsMs[round]);
        desktop.key(XK_o, False);
        for (const KeySym modifier : {XK_Shift_L, XK_Alt_L, XK_Control_L})
            desktop.key(modifier, False);
        ASSERT_TRUE(pumpUntil([&] { return syntheses().size() > reads; }, 20000)) << log();
        EXPECT_EQ(syntheses().constLast(), line);
        // Until the read has played out, long after the reader would have spoken; the next press
        // comes as a user's would, not within the moment in which presses count as one.
        ASSERT_TRUE(pumpUntil([&] { return finishedReads() > round; }, 20000)) << log();
        // Then a key that the reader echoes: whatever the shortcut made it say came before.
        desktop.tap(XK_Shift_R);
        static const QRegularExpression echo(QStringLiteral("^right shift\\s*$"));
        ASSERT_TRUE(
            pumpUntil([&] { return spoken().mid(before).indexOf(echo) >= 0; }, desktopWaitMs))
            << spoken().mid(before).join('\n').toStdString();
        EXPECT_EQ(withoutKeys(spoken().mid(before)), QStringList())
            << "held " << holdsMs[round]
            << " ms: " << spoken().mid(before).join('\n').toStdString();
    }
}

// A newcomer who starts Parlino with the screen reader on hears each card of the tutorial: the
// first as the card takes the keyboard from the terminal, each next one as Space walks on.
TEST_F(ScreenReaderE2E, EachCardOfTheTutorialIsSaidAsTheKeyboardWalksIt) {
    tutorialSeen = false;
    workInTerminal();
    const auto& steps = Parlino::OnboardingModel::steps();
    const auto said = [&](const QString& words) {
        return pumpUntil([&] { return !spoken().filter(words, Qt::CaseSensitive).isEmpty(); },
                         15000);
    };
    ASSERT_TRUE(said(steps.constFirst().body)) << spoken().join('\n').toStdString() << log();
    EXPECT_EQ(desktop.focusedWindowTitle(), QStringLiteral("Parlino Tutorial"));
    for (qsizetype step = 1; step < steps.size(); ++step) {
        desktop.tap(XK_space);
        ASSERT_TRUE(said(steps[step].body)) << "step " << step << ":\n"
                                            << spoken().join('\n').toStdString();
    }
}

// The user who arms a destructive button by the keyboard hears what its second press does, as the
// red highlight shows it: a clip's Delete and "Clear all" on the panel's clips, Quit, the
// shortcuts' reset and the cached audio's Clear on its settings.
TEST_F(ScreenReaderE2E, ArmingADestructiveButtonIsSaid) {
    workInTerminal();
    startRead();
    // The read is kept as a clip and has ended, and the surfaces are home: the panel then stays.
    ASSERT_TRUE(app->waitForLine("save ok", 30000)) << log();
    ASSERT_TRUE(app->waitForLine("setState playing -> finished", 30000)) << log();
    ASSERT_TRUE(
        pumpUntil([&] { return !desktop.shownWindow(bubbleTitle).has_value(); }, desktopWaitMs))
        << log();
    const qsizetype before = spoken().size();
    withKeys({XK_Control_L, XK_Alt_L}, XK_o);
    ASSERT_TRUE(pumpUntil(
        [&] { return !spoken().mid(before).filter(QStringLiteral("push button")).isEmpty(); },
        desktopWaitMs))
        << spoken().mid(before).join('\n').toStdString() << "\n"
        << log();

    ASSERT_TRUE(tabTo("Audio Clips check box", 12, true));
    desktop.tap(XK_space);
    ASSERT_TRUE(tabTo("Delete push button", 12));
    armAndHear(QStringLiteral("Press again to delete"));
    ASSERT_TRUE(tabTo("Clear all push button", 8));
    armAndHear(QStringLiteral("Press again to clear all"));

    ASSERT_TRUE(tabTo("Settings check box", 16));
    desktop.tap(XK_space);
    ASSERT_TRUE(tabTo("Quit push button", 30));
    armAndHear(QStringLiteral("Press again to quit"));

    // The way to the reset and back leads through the shortcut fields, each recording while it
    // has the focus: Tab and Shift+Tab leave them as any other control.
    ASSERT_TRUE(tabTo("Shortcuts page tab", 4, true));
    desktop.tap(XK_space);
    ASSERT_TRUE(tabTo("Reset shortcuts to defaults push button", 30));
    armAndHear(QStringLiteral("Press again to reset shortcuts to defaults"));
    ASSERT_TRUE(tabTo("General page tab", 40, true));
    desktop.tap(XK_space);
    ASSERT_TRUE(tabTo("Clear cached audio", 12));
    armAndHear(QStringLiteral("Press again to clear cached audio"));
}

// The keyboard user records a shortcut in the field that Tab brought them to: it is stored, the
// reader says it, and Tab goes on from the field.
TEST_F(ScreenReaderE2E, AShortcutRecordedInAFieldReachedByTabIsStoredAndSaid) {
    workInTerminal();
    const qsizetype before = spoken().size();
    withKeys({XK_Control_L, XK_Alt_L}, XK_o);
    ASSERT_TRUE(pumpUntil(
        [&] {
            return spoken().mid(before).contains(QStringLiteral("Settings check box not checked."));
        },
        desktopWaitMs))
        << spoken().mid(before).join('\n').toStdString();
    desktop.tap(XK_space);
    ASSERT_TRUE(tabTo("Shortcuts page tab", 10, true));
    desktop.tap(XK_space);
    ASSERT_TRUE(tabTo("Shortcut to read the selection", 6));

    const qsizetype recorded = spoken().size();
    withKeys({XK_Control_L, XK_Alt_L}, XK_k);
    EXPECT_TRUE(
        pumpUntil([&] { return spoken().mid(recorded).contains(QStringLiteral("Ctrl+Alt+K")); },
                  desktopWaitMs))
        << spoken().mid(recorded).join('\n').toStdString();
    // Control-Option-K.
    EXPECT_TRUE(pumpUntil(
        [&] {
            return storedShortcut(QStringLiteral("readSelection")) ==
                   R"({"carbonKeyCode":40,"carbonModifiers":6144})";
        },
        desktopWaitMs))
        << storedShortcut(QStringLiteral("readSelection")).toStdString();
    EXPECT_TRUE(tabTo("Clear Shortcut push button", 1));
}

// GTK keeps the focus on a small child of its top-level window.
TEST_F(ScreenReaderE2E, AReadByTheShortcutSaysNothingOfAGtkEditorOrItsSelection) {
    readEachLineByTheShortcut(QStringLiteral("mousepad"), {"--disable-server"});
}

// Qt gives the focus to its top-level window itself, inside the window manager's frame.
TEST_F(ScreenReaderE2E, AReadByTheShortcutSaysNothingOfAQtEditorOrItsSelection) {
    readEachLineByTheShortcut(QStringLiteral("kwrite"), {});
}
