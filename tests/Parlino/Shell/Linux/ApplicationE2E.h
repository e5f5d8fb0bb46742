#pragma once

// The real application on the desktop that scripts/ci-services.sh starts, as each end-to-end test
// of it finds it: started in a home of its own against the stand-in speech service, with the bus
// queries and second starts the tests make. Include it after every other header (see
// DesktopDriver.h).
#include "Playback/Linux/TestAudio.h"
#include "support/DesktopSession.h"
#include "support/FakeSpeechService.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

#include "DesktopDriver.h"

namespace ApplicationE2ETesting {

using namespace DesktopDriver;

// A run of a program that answers on the terminal: its status and what it printed where.
struct TerminalRun {
    int status = -1;
    QString out;
    QString err;
};

// Runs `program` (the application's binary unless named) with `arguments` and `input` on its
// standard input until it exits, for at most `boundMs`; killed then, with status -1.
inline TerminalRun runForAnswer(const QProcessEnvironment& environment,
                                const QStringList& arguments, const QByteArray& input = {},
                                const QString& program = QStringLiteral(PARLINO_APP),
                                int boundMs = 15000) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(boundMs)) {
        process.kill();
        process.waitForFinished(3000);
        return {};
    }
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

// Runs the application's binary once more with `arguments` and `input`; its exit status.
inline int runAgain(const QProcessEnvironment& environment, const QStringList& arguments,
                    const QByteArray& input = {}) {
    return runForAnswer(environment, arguments, input).status;
}

// The process that owns the application's name on the session bus; 0 when none does.
inline qint64 sessionInstance() {
    QProcess gdbus;
    gdbus.start(QStringLiteral("gdbus"),
                {"call", "--session", "--dest", "org.freedesktop.DBus", "--object-path",
                 "/org/freedesktop/DBus", "--method",
                 "org.freedesktop.DBus.GetConnectionUnixProcessID", "com.parlino.app"});
    gdbus.waitForFinished(3000);
    const auto match = QRegularExpression("uint32 (\\d+)").match(gdbus.readAllStandardOutput());
    return match.hasMatch() ? match.captured(1).toLongLong() : 0;
}

// A display number with no X server behind it on this machine.
inline QString deadDisplay() {
    for (int number = 900;; ++number)
        if (!QFile::exists(QString("/tmp/.X11-unix/X%1").arg(number)) &&
            !QFile::exists(QString("/tmp/.X%1-lock").arg(number)))
            return QString(":%1").arg(number);
}

// An X server that takes connections on the loopback and never says a word, as a stopped one.
// Its numbers are apart from deadDisplay()'s: a client tries the loopback for a local display too.
class SilentXServer {
public:
    SilentXServer() {
        for (m_number = 1900; m_number < 2000; ++m_number)
            if (m_server.listen(QHostAddress::LocalHost, quint16(6000 + m_number)))
                return;
    }
    QString display() const { return QStringLiteral("localhost:%1").arg(m_number); }

private:
    QTcpServer m_server;
    int m_number = 0;
};

class ApplicationE2E : public ::testing::Test {
protected:
    void SetUp() override {
        PARLINO_REQUIRE_SERVICE(desktop.isOpen() && TestSupport::inDesktopSession(),
                                "no desktop session (scripts/ci-services.sh starts one)");
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(storeKey(QStringLiteral("e2e-key")));
        service.serveSpeech(speech, double(TestAudio::speechFrames()) / 44100);
        environment = applicationEnvironment(home, service.baseURL());
        ASSERT_FALSE(environment.isEmpty());
        launch();
    }

    void writeSettings(const QByteArray& values) {
        ASSERT_TRUE(DesktopDriver::writeSettings(home, values));
    }

    void launch() {
        app = std::make_unique<Program>(QStringLiteral(PARLINO_APP), QStringList(), environment);
        ASSERT_TRUE(app->waitForLine("tray: icon installed"))
            << app->lines().join('\n').toStdString();
        ASSERT_TRUE(pumpUntil([&] { return desktop.shownWindow("Parlino Idle Bar").has_value(); }));
    }

    // Starts the application that holds the selection and waits for it to take the focus.
    void holdSelection() {
        QProcessEnvironment accessible = environment;
        accessible.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        holder = std::make_unique<Program>(QStringLiteral(PARLINO_SELECTION_HOLDER), QStringList(),
                                           accessible);
        ASSERT_TRUE(holder->waitForLine("^ready "));
        // The tap must come well after the last key went down.
        pumpUntil([] { return false; }, 400);
    }

    QStringList synthesisTexts() const {
        QStringList texts;
        for (const auto& request : service.requests())
            if (request.path().endsWith("/with-timestamps"))
                texts << request.json()["text"].get<std::string>().c_str();
        return texts;
    }

    bool statusBecomes(const QString& status) {
        return pumpUntil([&] { return playbackStatus() == status; }, 10000);
    }

    // The bottom of the panel's sheet once it stays put for a tenth of a second.
    int settledSheetBottom(int x) {
        int bottom = -1;
        pumpUntil([&] {
            const int previous = std::exchange(bottom, desktop.sheetBottom(x));
            pumpUntil([] { return false; }, 100);
            return bottom > 0 && bottom == previous;
        });
        return bottom;
    }

    // Drops the reading panel by resting the pointer on the bubble.
    std::optional<QRect> dropPanel() {
        const auto bubble = desktop.shownWindow("Parlino Bubble");
        if (!bubble)
            return std::nullopt;
        desktop.pointTo({bubble->center().x(), std::max(2, bubble->bottom() - 20)});
        std::optional<QRect> panel;
        pumpUntil([&] { return (panel = desktop.shownWindow("Parlino Panel")).has_value(); });
        if (panel)
            settledSheetBottom(panel->center().x()); // the drop's animation
        return panel;
    }

    const QByteArray speech = TestAudio::speechMp3();
    Desktop desktop;
    QTemporaryDir home;
    TestSupport::FakeSpeechService service;
    QProcessEnvironment environment;
    std::unique_ptr<Program> app;
    std::unique_ptr<Program> holder;
};

} // namespace ApplicationE2ETesting
