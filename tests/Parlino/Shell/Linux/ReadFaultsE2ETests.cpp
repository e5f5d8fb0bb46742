// The real application in the desktop session of scripts/ci-services.sh, reading through the
// stand-in service while something on the way is at fault: what it stores and what it tells.
#include "Playback/Linux/TestAudio.h"
#include "support/DesktopSession.h"
#include "support/EventLoop.h"
#include "support/SpeechStandIn.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

// Xlib's macros (None, Bool) come after every C++ header.
#include "DesktopDriver.h"

using namespace DesktopDriver;
using TestSupport::pumpUntil;

namespace {

// The one manifest in the folders under `folder` named as `pattern` says, once it is there.
nlohmann::json onlyManifestBelow(const QString& folder, const QString& pattern) {
    nlohmann::json manifest;
    pumpUntil(
        [&] {
            const QDir entries(folder);
            const QStringList names =
                entries.entryList({pattern}, QDir::Dirs | QDir::NoDotAndDotDot);
            QFile file(entries.filePath(names.value(0) + "/manifest.json"));
            if (names.size() != 1 || !file.open(QIODevice::ReadOnly))
                return false;
            manifest = nlohmann::json::parse(file.readAll().toStdString(), nullptr, false);
            return manifest.is_object();
        },
        20000);
    return manifest;
}

// How long the MP3 `file` plays, decoded whole.
double decodedSeconds(const QString& file) {
    QFile audio(file);
    if (!audio.open(QIODevice::ReadOnly))
        return 0;
    return double(TestAudio::decodeAll(audio.readAll()).size()) / 44100;
}

class ReadFaultsE2E : public ::testing::Test {
protected:
    void SetUp() override {
        PARLINO_REQUIRE_SERVICE(TestSupport::inDesktopSession(),
                                "no desktop session (scripts/ci-services.sh starts one)");
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(storeKey(QStringLiteral("e2e-key")));
        environment = applicationEnvironment(home, standIn.baseURL());
        ASSERT_FALSE(environment.isEmpty());
        app = std::make_unique<Program>(QStringLiteral(PARLINO_APP), QStringList(), environment);
        ASSERT_TRUE(app->waitForLine("tray: icon installed"))
            << app->lines().join('\n').toStdString();
    }

    // Hands `text` to the running application as `parlino --read` does.
    bool read(const QString& text) {
        QProcess client;
        client.setProcessEnvironment(environment);
        client.start(QStringLiteral(PARLINO_APP), {"--read"});
        client.write(text.toUtf8());
        client.closeWriteChannel();
        return client.waitForFinished(15000) && client.exitCode() == 0;
    }

    QString log() const { return app->lines().join('\n'); }

    TestSupport::SpeechStandIn standIn;
    QTemporaryDir home;
    QProcessEnvironment environment;
    std::unique_ptr<Program> app;
};

TEST_F(ReadFaultsE2E, aReadWhoseAlignmentTimesOtherCharactersIsStoredAsLongAsItsAudio) {
    ASSERT_TRUE(standIn.setMode(QStringLiteral("uneven-alignment")));
    ASSERT_TRUE(read(QStringLiteral("The service timed only three characters of this sentence.")));

    const QString clips = home.filePath("data/Parlino/clips");
    const nlohmann::json clip = onlyManifestBelow(clips, "clip-*");
    ASSERT_TRUE(clip.is_object()) << log().toStdString();
    const QString clipFolder = QDir(clips).entryList({"clip-*"}, QDir::Dirs).value(0);
    const QString chunk =
        QStringLiteral("%1/%2/%3")
            .arg(clips, clipFolder, QString::fromStdString(clip["chunks"][0]["fileName"]));
    const double heard = decodedSeconds(chunk);
    EXPECT_GT(heard, 2.0);
    EXPECT_GE(clip["totalDuration"].get<double>(), heard - 0.001) << log().toStdString();
    EXPECT_TRUE(app->waitForLine("taken as no alignment"));

    const nlohmann::json entry =
        onlyManifestBelow(home.filePath("cache/com.parlino.app/audio"), "*");
    ASSERT_TRUE(entry.is_object());
    EXPECT_GE(entry["chunks"][0]["duration"].get<double>(), heard - 0.001);
}

// A session bus of its own that starts nothing on demand: no keyring answers on it.
std::unique_ptr<Program> busWithoutKeyring(const QTemporaryDir& home) {
    QFile config(home.filePath("bus.conf"));
    if (!config.open(QIODevice::WriteOnly))
        return nullptr;
    config.write(
        QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                       "<auth>EXTERNAL</auth><policy context=\"default\"><allow own=\"*\"/>"
                       "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                       "<allow eavesdrop=\"true\"/></policy></busconfig>")
            .arg(home.path())
            .toUtf8());
    config.close();
    return std::make_unique<Program>(
        QStringLiteral("dbus-daemon"),
        QStringList{"--config-file=" + config.fileName(), "--nofork", "--print-address=1"},
        QProcessEnvironment::systemEnvironment());
}

TEST_F(ReadFaultsE2E, aKeyringThatIsAwayIsNamedAsSuchAndNotAsAMissingKey) {
    const auto bus = busWithoutKeyring(home);
    ASSERT_TRUE(bus && bus->waitForLine("^unix:"));
    app.reset();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", bus->lines().filter("unix:").first());
    app = std::make_unique<Program>(QStringLiteral(PARLINO_APP), QStringList(), environment);
    ASSERT_TRUE(app->waitForLine("tray: icon installed")) << log().toStdString();

    ASSERT_TRUE(read(QStringLiteral("The key is saved, but the keyring is away.")));
    ASSERT_TRUE(app->waitForLine("error=keyringUnavailable")) << log().toStdString();
    EXPECT_FALSE(app->waitForLine("error=noKey", 0));
    Desktop desktop;
    EXPECT_TRUE(pumpUntil([&] {
        return desktop.shownWindow("Parlino Bubble") || desktop.shownWindow("Parlino Panel");
    }));
    const QString shot = QStringLiteral(PARLINO_SCREENSHOT_DIR "/ReadFaults/keyring-away.png");
    QDir().mkpath(QFileInfo(shot).path());
    QProcess::execute(QStringLiteral("import"), {"-window", "root", shot});
}

} // namespace
