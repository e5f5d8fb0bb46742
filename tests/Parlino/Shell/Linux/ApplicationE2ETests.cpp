// The real application on the desktop that scripts/ci-services.sh starts: a selection in another
// application, a tap of the right Super key, and the read that follows, heard through the
// PulseAudio null sink and seen in the floating windows.
#include <QDir>
#include <QImage>
#include <QProcess>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>

// Xlib's macros (None, Bool) come after every C++ header.
#include "ApplicationE2E.h"

using namespace ApplicationE2ETesting;

namespace {

const QString selectedText = QStringLiteral("reads this sentence");
constexpr int screenCentre = 960;

QImage screenshot(const QString& name) {
    const QString path = QStringLiteral(PARLINO_SCREENSHOT_DIR "/Application/%1.png").arg(name);
    QDir().mkpath(QFileInfo(path).path());
    QProcess::execute(QStringLiteral("import"), {"-window", "root", path});
    return QImage(path);
}

std::vector<float> samplesFrom(const QString& path, qint64 byteOffset) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(byteOffset))
        return {};
    const QByteArray bytes = file.readAll();
    std::vector<float> samples(size_t(bytes.size()) / sizeof(float));
    std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
    return samples;
}

size_t onset(const std::vector<float>& samples) {
    const auto loud =
        std::find_if(samples.begin(), samples.end(), [](float s) { return std::abs(s) > 0.02f; });
    return size_t(loud - samples.begin());
}

// How well the first second of `expected` matches the recording at its best alignment.
double bestMatch(const std::vector<float>& expected, const std::vector<float>& recorded) {
    const size_t length = std::min<size_t>(44100, expected.size() - onset(expected));
    const std::vector<float> head(expected.begin() + qsizetype(onset(expected)),
                                  expected.begin() + qsizetype(onset(expected) + length));
    const auto start = int64_t(onset(recorded));
    double best = 0;
    for (int64_t at = std::max<int64_t>(0, start - 600); at < start + 600; ++at) {
        double ab = 0, aa = 0, bb = 0;
        for (size_t i = 0; i < head.size() && size_t(at) + i < recorded.size(); ++i) {
            ab += double(head[i]) * recorded[size_t(at) + i];
            aa += double(head[i]) * head[i];
            bb += double(recorded[size_t(at) + i]) * recorded[size_t(at) + i];
        }
        if (aa > 0 && bb > 0)
            best = std::max(best, ab / std::sqrt(aa * bb));
    }
    return best;
}

TEST_F(ApplicationE2E, aTapReadsTheSelectionAloudAndTheWindowsFollowTheRead) {
    holdSelection();
    const QString capture = qEnvironmentVariable("PARLINO_PULSE_CAPTURE");
    const qint64 heardBefore = QFileInfo(capture).size();

    desktop.tap(XK_Super_R);

    ASSERT_TRUE(pumpUntil([&] { return !synthesisTexts().isEmpty(); }, 10000))
        << app->lines().join('\n').toStdString();
    EXPECT_EQ(synthesisTexts(), QStringList{selectedText});
    const auto bubble = desktop.shownWindow("Parlino Bubble");
    ASSERT_TRUE(bubble);
    EXPECT_EQ(bubble->x() + bubble->width() / 2, screenCentre);
    EXPECT_LE(bubble->top(), 0);
    ASSERT_TRUE(statusBecomes("Playing"));

    const auto panel = dropPanel();
    ASSERT_TRUE(panel) << app->lines().join('\n').toStdString();
    EXPECT_EQ(panel->x() + panel->width() / 2, screenCentre);
    EXPECT_EQ(panel->top(), 0);
    // The transcript's first line, under the header row (31 px on a screen without a top inset):
    // the highlight moves from word to word.
    const QRect transcript(panel->x() + 8, 31, panel->width() - 16, 26);
    const QImage early = screenshot("reading-early").copy(transcript);
    EXPECT_TRUE(
        pumpUntil([&] { return screenshot("reading-panel").copy(transcript) != early; }, 3000))
        << "the current word did not advance";

    desktop.tap(XK_Super_R);
    ASSERT_TRUE(statusBecomes("Paused"));
    const QImage paused = screenshot("paused").copy(transcript);
    pumpUntil([] { return false; }, 800);
    EXPECT_EQ(screenshot("paused-later").copy(transcript), paused);
    EXPECT_EQ(synthesisTexts().size(), 1) << "a pause asks the service for nothing";

    pumpUntil([] { return false; }, 300); // the recorder's own latency
    const auto heard = samplesFrom(capture, heardBefore);
    ASSERT_LT(onset(heard), heard.size()) << "the sink received only silence";
    EXPECT_GT(bestMatch(TestAudio::decodeAll(speech), heard), 0.95);

    // The click on the play and pause button also gives the panel the keys.
    const QString before = playbackStatus();
    const QString other = before == "Playing" ? "Paused" : "Playing";
    // The play and pause button sits at the sheet's lower left corner.
    desktop.click({panel->x() + 36, settledSheetBottom(panel->center().x()) - 23});
    EXPECT_TRUE(statusBecomes(other)) << app->lines().join('\n').toStdString();
    pumpUntil([] { return false; }, 400);
    EXPECT_EQ(playbackStatus(), other) << "one click toggles once";
    desktop.tap(XK_space);
    EXPECT_TRUE(statusBecomes(before));
    pumpUntil([] { return false; }, 400);
    EXPECT_EQ(playbackStatus(), before) << "one Space toggles once";

    desktop.tap(XK_Escape);
    EXPECT_TRUE(pumpUntil([&] { return !desktop.shownWindow("Parlino Panel").has_value(); }));
}

// After a read has run to its end, a tap in an application that does not answer (stopped here)
// says that it did not, as the first tap would.
TEST_F(ApplicationE2E, aTapOnAFinishedReadThatCannotReadTheSelectionSaysWhy) {
    holdSelection();
    desktop.tap(XK_Super_R);
    ASSERT_TRUE(statusBecomes("Playing")) << app->lines().join('\n').toStdString();
    ASSERT_TRUE(pumpUntil([&] { return playbackStatus() == "Stopped"; }, 30000));
    ASSERT_TRUE(pumpUntil([&] { return !desktop.shownWindow("Parlino Panel").has_value(); }));

    ::kill(pid_t(holder->processId()), SIGSTOP);
    desktop.tap(XK_Super_R);
    const bool told = app->waitForLine("capture failed: timedOut", 10000);
    std::optional<QRect> panel;
    const bool shown =
        pumpUntil([&] { return (panel = desktop.shownWindow("Parlino Panel")).has_value(); }, 5000);
    if (panel)
        settledSheetBottom(panel->center().x());
    screenshot("tap-on-finished-read-unanswered");
    ::kill(pid_t(holder->processId()), SIGCONT);
    EXPECT_TRUE(told) << app->lines().join('\n').toStdString();
    EXPECT_TRUE(shown) << "the panel says why nothing was read";
    EXPECT_TRUE(app->lines().filter(QStringLiteral("tap-on-finished no-op")).isEmpty());
}

TEST_F(ApplicationE2E, aSecondStartOpensThePanelAndReadHandsOverStandardInput) {
    ASSERT_TRUE(pumpUntil([] { return sessionInstance() != 0; }));
    const qint64 first = sessionInstance();

    EXPECT_EQ(runAgain(environment, {}), 0);
    EXPECT_TRUE(pumpUntil([&] { return desktop.shownWindow("Parlino Panel").has_value(); }));
    EXPECT_EQ(sessionInstance(), first);

    const QString piped = QStringLiteral("Parlino reads what it is given.");
    EXPECT_EQ(runAgain(environment, {"--read"}, piped.toUtf8()), 0);
    EXPECT_TRUE(pumpUntil([&] { return synthesisTexts().contains(piped); }, 10000));
}

TEST_F(ApplicationE2E, helpVersionAndARefusedOptionAnswerOnTheTerminalAndStartNothing) {
    ASSERT_TRUE(pumpUntil([] { return sessionInstance() != 0; }));
    const qint64 first = sessionInstance();
    // Without a display or a session bus, a start that went any further would fail otherwise.
    QProcessEnvironment bare = environment;
    for (const char* name : {"DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"})
        bare.remove(name);

    for (const auto& env : {environment, bare}) {
        const TerminalRun help = runForAnswer(env, {"-h"});
        EXPECT_EQ(help.status, 0);
        EXPECT_TRUE(help.out.startsWith("Usage: parlino [OPTION]\n") && help.err.isEmpty());
        const TerminalRun version = runForAnswer(env, {"--version"});
        EXPECT_EQ(version.status, 0);
        EXPECT_TRUE(
            QRegularExpression("^Parlino \\d+\\.\\d+\\.\\d+\n$").match(version.out).hasMatch());
        const TerminalRun refused = runForAnswer(env, {"--read", "--bogus"});
        EXPECT_EQ(refused.status, 2);
        EXPECT_TRUE(refused.out.isEmpty());
        EXPECT_TRUE(refused.err.startsWith("parlino: unrecognized option '--bogus'\n"));
    }
    EXPECT_TRUE(synthesisTexts().isEmpty()) << "the refused --read handed nothing over";
    EXPECT_FALSE(desktop.shownWindow("Parlino Panel").has_value());
    EXPECT_EQ(sessionInstance(), first);
}

TEST_F(ApplicationE2E, aFiveMegabyteReadStartsAtOnceAndTheApplicationKeepsAnswering) {
    // A reader who lets any length through starts the read as "Read anyway" does.
    app.reset();
    ASSERT_TRUE(pumpUntil([] { return sessionInstance() == 0; }));
    writeSettings(R"("hasSeenOnboarding":{"bool":true},"confirmThreshold":{"integer":10000000})");
    launch();
    // The service takes the requests and keeps its answers back: the read waits, loading.
    service.on("POST", TestSupport::FakeSpeechService::synthesisRoute(), [](const auto&) {
        TestSupport::FakeSpeechService::Response held;
        held.held = true;
        return held;
    });

    QByteArray text;
    for (int sentence = 0; text.size() < 5'000'000; ++sentence)
        text += "Sentence " + QByteArray::number(sentence) + " of a very long read.\n";
    EXPECT_EQ(runAgain(environment, {"--read"}, text), 0);
    EXPECT_TRUE(pumpUntil([&] { return !synthesisTexts().isEmpty(); }, 10000));
    ASSERT_FALSE(synthesisTexts().isEmpty());
    EXPECT_TRUE(synthesisTexts().first().startsWith("Sentence 0 of a very long read."));
    EXPECT_TRUE(app->waitForLine("startRead: textLength=5000"));
    EXPECT_TRUE(pumpUntil([&] {
        return desktop.shownWindow("Parlino Bubble") || desktop.shownWindow("Parlino Panel");
    }));
    // A busy main thread would leave these calls unanswered.
    for (int call = 0; call < 5; ++call)
        EXPECT_FALSE(playbackStatus().isEmpty()) << "call " << call;
}

// A text without a break, as `print('Start' + 'x' * 99995)` makes it: its speech arrives, its
// transcript is laid out and the panel drops to show it, broken over rows, while the application
// answers and takes the next text.
TEST_F(ApplicationE2E, aReadOfOneLongWordLeavesTheApplicationAnsweringOnceItsSpeechArrives) {
    app.reset();
    ASSERT_TRUE(pumpUntil([] { return sessionInstance() == 0; }));
    writeSettings(R"("hasSeenOnboarding":{"bool":true},"confirmThreshold":{"integer":10000000})");
    launch();
    EXPECT_EQ(runAgain(environment, {"--read"}, "Start" + QByteArray(99'995, 'x')), 0);
    ASSERT_TRUE(statusBecomes("Playing")) << app->lines().join('\n').toStdString();
    ASSERT_TRUE(dropPanel()) << app->lines().join('\n').toStdString();
    // A busy main thread would leave these calls unanswered.
    for (int call = 0; call < 5; ++call)
        EXPECT_EQ(playbackStatus(), QStringLiteral("Playing")) << "call " << call;
    EXPECT_EQ(runAgain(environment, {"--read"}, "Then a short text."), 0);
    EXPECT_TRUE(pumpUntil(
        [&] { return synthesisTexts().contains(QStringLiteral("Then a short text.")); }, 10000));
}

TEST_F(ApplicationE2E, readTakesEachNulOfStandardInputAsASpace) {
    ASSERT_TRUE(pumpUntil([] { return sessionInstance() != 0; }));
    EXPECT_EQ(runAgain(environment, {"--read"}, QByteArray("Before the NUL\0after it.", 24)), 0);
    EXPECT_TRUE(pumpUntil(
        [&] { return synthesisTexts().contains(QStringLiteral("Before the NUL after it.")); },
        10000));
}

// A media applet shows a player that is paused as one the user may resume; a read that has run
// to its end is over.
TEST_F(ApplicationE2E, aReadThatRunsToItsEndLeavesTheMediaPlayerStopped) {
    ASSERT_TRUE(statusBecomes("Stopped"));
    EXPECT_EQ(runAgain(environment, {"--read"}, QByteArray("Parlino reads this to its end.")), 0);
    ASSERT_TRUE(statusBecomes("Playing")) << app->lines().join('\n').toStdString();
    EXPECT_TRUE(pumpUntil([&] { return playbackStatus() == "Stopped"; }, 30000))
        << playbackStatus().toStdString();
}

// The texts of the clips saved under `home`, as their manifests hold them.
QStringList savedClipTexts(const QTemporaryDir& home) {
    QStringList texts;
    const QDir clips(home.filePath("data/Parlino/clips"));
    for (const QString& name : clips.entryList({"clip-*"}, QDir::Dirs)) {
        QFile manifest(clips.filePath(name + "/manifest.json"));
        if (manifest.open(QIODevice::ReadOnly))
            texts << QString::fromStdString(
                nlohmann::json::parse(manifest.readAll().toStdString(), nullptr, false)
                    .value("text", std::string()));
    }
    return texts;
}

TEST_F(ApplicationE2E, aQuitBySignalWaitsForTheSaveOfTheReadThatEndedAndEndsWithStatusZero) {
    const QString piped = QStringLiteral("Parlino keeps what it has read.");
    EXPECT_EQ(runAgain(environment, {"--read"}, piped.toUtf8()), 0);
    // The read's one chunk has arrived: its clip and cache entry are being written.
    ASSERT_TRUE(app->waitForLine("chunk accepted idx=0")) << app->lines().join('\n').toStdString();
    EXPECT_EQ(app->terminate(), 0) << app->lines().join('\n').toStdString();
    EXPECT_TRUE(app->waitForLine("quit requested by a signal"));

    launch();
    EXPECT_EQ(savedClipTexts(home), QStringList{piped});
    EXPECT_EQ(QDir(home.filePath("cache/com.parlino.app/audio"))
                  .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                  .size(),
              1);
}

TEST_F(ApplicationE2E, withoutAnXServerItSaysSoInOneLineAndFails) {
    const QString dead = deadDisplay();
    SilentXServer silent;
    const struct {
        std::optional<QString> display;
        QString cause;
    } rows[] = {
        {std::nullopt, "DISPLAY is not set"},
        {dead, "no X server answers on DISPLAY=" + dead},
        {silent.display(),
         "no X server answered on DISPLAY=" + silent.display() + " within 5 seconds"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.cause.toStdString());
        QProcessEnvironment without = environment;
        without.remove("DISPLAY");
        if (row.display)
            without.insert("DISPLAY", *row.display);
        without.insert("WAYLAND_DISPLAY", "wayland-0");
        QProcess process;
        process.setProcessEnvironment(without);
        process.start(QStringLiteral(PARLINO_APP), QStringList());
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 1);
        EXPECT_EQ(process.readAllStandardError().toStdString(),
                  ("parlino: no X11 display (" + row.cause + "); Parlino needs an X11 session\n")
                      .toStdString());
    }
}

TEST_F(ApplicationE2E, readStartsTheApplicationWhenNoneRuns) {
    app.reset();
    ASSERT_TRUE(pumpUntil([] { return sessionInstance() == 0; }));

    const QString piped = QStringLiteral("Nothing ran before this.");
    EXPECT_EQ(runAgain(environment, {"--read"}, piped.toUtf8()), 0);
    const qint64 started = sessionInstance();
    EXPECT_NE(started, 0);
    EXPECT_TRUE(pumpUntil([&] { return synthesisTexts().contains(piped); }, 10000));
    if (started)
        QProcess::execute(QStringLiteral("kill"), {QString::number(started)});
}

} // namespace
