#include "Parlino/Storage/RecordingsExporter.h"

#include "Parlino/Services/SynthesisModelChoice.h"
#include "Parlino/Settings/RecordingsExport.h"

#include "Base/Json.h"
#include "Base/MainThread.h"
#include "Parlino/Storage/StorageTesting.h"
#include "support/EventLoop.h"
#include "support/LogCapture.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <map>

using namespace Parlino;
using namespace StorageTesting;

namespace {

const QString exportedNothing = QStringLiteral("export ok: exported=0 skipped=0");

struct ClipFile {
    std::string name;
    QString text = QStringLiteral("Hello, world.");
    Base::Date createdAt = utc(2026, 1, 5, 13, 45, 1);
    double totalDuration = 126.4;
    std::optional<QString> modelID = QStringLiteral("eleven_flash_v2_5");
    QList<QByteArray> chunks{"first-", "second"};
};

class RecordingsExporterTest : public ::testing::Test {
protected:
    // Writes a clip folder as the clip library does.
    void writeClip(const ClipFile& clip) {
        Base::Json::Value records = Base::Json::Value::array();
        for (qsizetype i = 0; i < clip.chunks.size(); ++i) {
            const std::string fileName = "chunk-" + std::to_string(i) + ".mp3";
            writeBytes(clips / clip.name / fileName, clip.chunks[i]);
            records.push_back(
                {{"fileName", fileName}, {"sizeBytes", clip.chunks[i].size()}, {"duration", 1.0}});
        }
        Base::Json::Value manifest = {{"text", clip.text},
                                      {"words", Base::Json::Value::array()},
                                      {"chunks", records},
                                      {"totalDuration", clip.totalDuration},
                                      {"createdAt", clip.createdAt.secondsSinceReferenceDate},
                                      {"voiceID", "voice-1"}};
        if (clip.modelID)
            manifest["modelID"] = *clip.modelID;
        writeBytes(clips / clip.name / "manifest.json", QByteArray::fromStdString(manifest.dump()));
    }

    void exportAll() {
        const auto outcome =
            RecordingsExporter::exportRecordings(clips, recordings, timeZone, models);
        EXPECT_TRUE(outcome);
    }

    QString transcript(const std::string& month, const std::string& name) const {
        return QString::fromUtf8(readBytes(recordings / month / name / "Transcript.txt"));
    }

    // The transcript of the single clip of the export.
    QString onlyTranscript() const {
        const auto months = names(recordings);
        EXPECT_EQ(months.size(), 1u);
        const auto folders = months.empty() ? months : names(recordings / months[0]);
        EXPECT_EQ(folders.size(), 1u);
        return folders.empty() ? QString() : transcript(months[0], folders[0]);
    }

    // An export as its owner in the application starts it; `opened` tells whether the folder was
    // opened on the main thread once it ended.
    std::unique_ptr<RecordingsExport> ownedExport(std::optional<bool>& opened) const {
        return std::make_unique<RecordingsExport>(
            [this](Base::Worker& worker, QObject& receiver, std::function<void()> finished) {
                RecordingsExporter::exportInBackground(
                    worker, receiver, clips, recordings, timeZone, models,
                    [finished](const RecordingsExporter::Outcome& outcome) {
                        EXPECT_TRUE(outcome);
                        finished();
                    });
            },
            [&opened] { opened = Base::MainThread::isCurrent(); });
    }

    TemporaryFolder folder;
    fs::path clips = folder.path() / "Parlino" / "clips";
    fs::path recordings = folder.path() / "Parlino" / "Recordings";
    QTimeZone timeZone{3600}; // one hour east of UTC
    QList<TranscriptModel> models = SynthesisModelChoices::transcriptModels();
    TestSupport::LogCapture logs;
};

TEST_F(RecordingsExporterTest, ExportsEachClipIntoItsMonthWithAudioAndTranscript) {
    writeClip({"clip-20260105T134501000Z-00000000"});
    exportAll();

    const std::string month = "January 2026";
    const std::string name = "Jan 5, 2026 at 2.45.01 PM (2m 6s)";
    EXPECT_EQ(names(recordings), std::vector<std::string>{month});
    EXPECT_EQ(names(recordings / month), std::vector<std::string>{name});
    EXPECT_EQ(names(recordings / month / name),
              (std::vector<std::string>{name + ".mp3", "Transcript.txt"}));
    EXPECT_EQ(readBytes(recordings / month / name / (name + ".mp3")), "first-second");
    EXPECT_EQ(transcript(month, name),
              QStringLiteral("Hello, world.\n\nCost: 7 credits\nModel: Flash\nCharacters: 13\n"
                             "Length: 2:06.400\n"));
    EXPECT_TRUE(logs.contains(QStringLiteral("export ok: exported=1 skipped=0")));
}

TEST_F(RecordingsExporterTest, NamesFollowTheGivenTimeZone) {
    writeClip({"clip-a", QStringLiteral("x"), utc(2026, 1, 31, 23, 30, 0), 0});
    writeClip({"clip-b", QStringLiteral("x"), utc(2026, 1, 31, 9, 5, 7), 0});
    exportAll();

    EXPECT_EQ(names(recordings), (std::vector<std::string>{"February 2026", "January 2026"}));
    EXPECT_EQ(names(recordings / "February 2026"),
              std::vector<std::string>{"Feb 1, 2026 at 12.30.00 AM (0m 0s)"});
    EXPECT_EQ(names(recordings / "January 2026"),
              std::vector<std::string>{"Jan 31, 2026 at 10.05.07 AM (0m 0s)"});
}

TEST_F(RecordingsExporterTest, RecordingsOfTheSameSecondAreNumbered) {
    for (const auto* name : {"clip-2", "clip-1", "clip-3"})
        writeClip({name, QString::fromUtf8(name), utc(2026, 3, 1, 12, 0, 0), 60.2});
    exportAll();

    const fs::path month = recordings / "March 2026";
    const std::string base = "Mar 1, 2026 at 1.00.00 PM (1m 0s)";
    EXPECT_EQ(names(month), (std::vector<std::string>{base, base + " (2)", base + " (3)"}));
    EXPECT_TRUE(transcript("March 2026", base).startsWith(u"clip-1\n"));
    EXPECT_TRUE(transcript("March 2026", base + " (2)").startsWith(u"clip-2\n"));
    EXPECT_TRUE(fs::exists(month / (base + " (3)") / (base + " (3).mp3")));
}

TEST_F(RecordingsExporterTest, CostAndModelFollowTheModelIdentifier) {
    const QString pair = QString::fromUtf8("😀");
    const std::vector<std::tuple<QString, std::optional<QString>, QString>> cases{
        {"a", QStringLiteral("eleven_flash_v2_5"), "Cost: 1 credit\nModel: Flash\nCharacters: 1"},
        {"abc", QStringLiteral("eleven_flash_v2_5"),
         "Cost: 2 credits\nModel: Flash\nCharacters: 3"},
        {"", QStringLiteral("eleven_flash_v2_5"), "Cost: 0 credits\nModel: Flash\nCharacters: 0"},
        {"a", QStringLiteral("eleven_multilingual_v2"),
         "Cost: 1 credit\nModel: Multilingual v2\nCharacters: 1"},
        {pair, QStringLiteral("eleven_multilingual_v2"),
         "Cost: 2 credits\nModel: Multilingual v2\nCharacters: 2"},
        {"ab", std::nullopt, "Cost: not recorded\nModel: not recorded\nCharacters: 2"},
        {"ab", QStringLiteral("eleven_turbo_v2"),
         "Cost: not recorded\nModel: not recorded\nCharacters: 2"},
    };
    for (const auto& [text, modelID, lines] : cases) {
        fs::remove_all(clips);
        writeClip({"clip-1", text, utc(2026, 1, 5, 13, 45, 1), 1, modelID});
        exportAll();
        EXPECT_EQ(onlyTranscript(),
                  text + QStringLiteral("\n\n") + lines + QStringLiteral("\nLength: 0:01.000\n"))
            << text.toStdString();
    }
}

TEST_F(RecordingsExporterTest, DurationsRoundToSecondsInNamesAndMillisecondsInLengths) {
    const std::vector<std::tuple<double, std::string, QString>> cases{
        {0, "(0m 0s)", "0:00.000"},        {59.5, "(1m 0s)", "0:59.500"},
        {125.4321, "(2m 5s)", "2:05.432"}, {-3, "(0m 0s)", "0:00.000"},
        {3600, "(60m 0s)", "60:00.000"},   {0.0005, "(0m 0s)", "0:00.001"},
    };
    for (const auto& [duration, suffix, length] : cases) {
        fs::remove_all(clips);
        writeClip({"clip-1", QStringLiteral("x"), utc(2026, 1, 5, 13, 45, 1), duration});
        exportAll();
        EXPECT_EQ(names(recordings / "January 2026"),
                  std::vector<std::string>{"Jan 5, 2026 at 2.45.01 PM " + suffix})
            << duration;
        EXPECT_TRUE(
            onlyTranscript().endsWith(QStringLiteral("\nLength: ") + length + QStringLiteral("\n")))
            << duration;
    }
}

TEST_F(RecordingsExporterTest, EmptyOrMissingClipsFolderLeavesAnEmptyRecordingsFolder) {
    writeClip({"clip-1"});
    exportAll();
    writeBytes(recordings / "notes.txt", "mine");
    fs::remove_all(clips / "clip-1");
    exportAll();
    EXPECT_EQ(names(recordings), std::vector<std::string>{});

    fs::remove_all(clips);
    exportAll();
    EXPECT_TRUE(fs::is_directory(recordings));
    EXPECT_EQ(logs.messages(QStringLiteral("recordingsExporter")).count(exportedNothing), 2);
    EXPECT_EQ(names(folder.path() / "Parlino"), std::vector<std::string>{"Recordings"});
}

TEST_F(RecordingsExporterTest, ClipWithAMissingChunkIsSkippedAndLogged) {
    writeClip({"clip-1", QStringLiteral("x"), utc(2025, 12, 24, 8, 0, 0)});
    writeClip({"clip-2"});
    fs::remove(clips / "clip-1" / "chunk-1.mp3");
    exportAll();

    EXPECT_EQ(names(recordings), std::vector<std::string>{"January 2026"});
    const auto lines = logs.messages(QStringLiteral("recordingsExporter"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(u"export: clip skipped: chunk-1.mp3: "))
        << lines[0].toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("export ok: exported=1 skipped=1"));
}

TEST_F(RecordingsExporterTest, AbsurdDurationsAreSkippedAndLogged) {
    writeClip({"clip-1", QStringLiteral("x"), utc(2026, 1, 5, 13, 45, 1), 1e300});
    writeClip({"clip-2", QStringLiteral("x"), Base::Date{1e300}, 1});
    writeClip({"clip-3"});
    exportAll();

    EXPECT_EQ(names(recordings / "January 2026").size(), 1u);
    const auto lines = logs.messages(QStringLiteral("recordingsExporter"));
    EXPECT_EQ(
        lines.count(QStringLiteral("export: clip skipped: creation time or duration out of range")),
        2);
    EXPECT_TRUE(logs.contains(QStringLiteral("export ok: exported=1 skipped=2")));
}

TEST_F(RecordingsExporterTest, ReadsOnlyWhatItNeedsOfAManifest) {
    writeBytes(clips / "clip-1" / "chunk-0.mp3", "audio");
    writeBytes(clips / "clip-1" / "manifest.json",
               R"({"text":"x","chunks":[{"fileName":"chunk-0.mp3","sizeBytes":"?"}],)"
               R"("totalDuration":1,"createdAt":789313501,"words":7})");
    writeBytes(clips / "staging" / "manifest.json", R"({"text":"x","chunks":[],)"
                                                    R"("totalDuration":1,"createdAt":0})");
    writeBytes(clips / "clip-2" / "manifest.json", "{");
    writeBytes(clips / "stray.txt", "stray");
    exportAll();

    EXPECT_EQ(onlyTranscript(),
              QStringLiteral("x\n\nCost: not recorded\nModel: not recorded\nCharacters: 1\n"
                             "Length: 0:01.000\n"));
    EXPECT_TRUE(logs.contains(QStringLiteral("export ok: exported=1 skipped=0")));
}

TEST_F(RecordingsExporterTest, KeysItDoesNotReadMayHoldAnything) {
    writeBytes(clips / "clip-1" / "chunk-0.mp3", "audio");
    writeBytes(clips / "clip-1" / "manifest.json",
               R"({"words":[{"word":1,"range":[5,2,9]},{"start":"soon"},[[[]]],null],)"
               R"("voiceID":null,"chunks":[{"fileName":"chunk-0.mp3","duration":"long",)"
               R"("range":{"word":[1]}}],"modelID":"eleven_multilingual_v2",)"
               R"("createdAt":789313501,"totalDuration":2,"text":"xy"})");
    exportAll();

    const std::string name = "Jan 5, 2026 at 2.45.01 PM (0m 2s)";
    EXPECT_EQ(readBytes(recordings / "January 2026" / name / (name + ".mp3")), "audio");
    EXPECT_EQ(onlyTranscript(),
              QStringLiteral("xy\n\nCost: 2 credits\nModel: Multilingual v2\nCharacters: 2\n"
                             "Length: 0:02.000\n"));
}

TEST_F(RecordingsExporterTest, ManifestsItRefusesExportNothing) {
    const std::string chunks = R"("chunks":[{"fileName":"chunk-0.mp3"}])";
    const std::string times = R"("totalDuration":1,"createdAt":0)";
    const std::string valid = R"({"text":"x",)" + chunks + "," + times;
    const std::vector<std::string> refused{
        "{" + chunks + "," + times + "}",
        R"({"text":"x",)" + chunks + R"(,"createdAt":0})",
        R"({"text":"x",)" + chunks + R"(,"totalDuration":1})",
        R"({"text":"x",)" + times + "}",
        R"({"text":5,)" + chunks + "," + times + "}",
        valid + R"(,"modelID":5})",
        R"({"text":"x","chunks":{},)" + times + "}",
        R"({"text":"x","chunks":[7],)" + times + "}",
        R"({"text":"x","chunks":[{"name":"chunk-0.mp3"}],)" + times + "}",
        R"({"text":"x","chunks":[{"fileName":3}],)" + times + "}",
        R"({"text":"x","chunks":[{"fileName":"/chunk-0.mp3"}],)" + times + "}",
        valid + R"(,"words":[{"word":"a","word":"b"}]})",
        valid + ",\"words\":[\"\xff\"]}",
        valid + R"(,"words":)" + std::string(600, '[') + std::string(600, ']') + "}",
        valid + "}x",
        "[" + valid + "}]",
    };
    writeBytes(clips / "clip-1" / "chunk-0.mp3", "audio");
    writeBytes(clips / "clip-1" / "manifest.json", QByteArray::fromStdString(valid + "}"));
    exportAll();
    ASSERT_EQ(names(recordings).size(), 1u); // the manifest they depart from exports

    for (const auto& manifest : refused) {
        writeBytes(clips / "clip-1" / "manifest.json", QByteArray::fromStdString(manifest));
        exportAll();
        EXPECT_EQ(names(recordings), std::vector<std::string>{}) << manifest;
    }
    EXPECT_EQ(logs.messages(QStringLiteral("recordingsExporter")).count(exportedNothing),
              qsizetype(refused.size()));
}

TEST_F(RecordingsExporterTest, AManifestThatIsALinkOrAPipeIsNotRead) {
    writeClip({"clip-1"});
    writeClip({"clip-2"});
    writeClip({"clip-3"});
    fs::rename(clips / "clip-1" / "manifest.json", folder.path() / "manifest.json");
    fs::create_symlink(folder.path() / "manifest.json", clips / "clip-1" / "manifest.json");
    fs::remove(clips / "clip-2" / "manifest.json");
    ASSERT_EQ(::mkfifo((clips / "clip-2" / "manifest.json").c_str(), 0600), 0);
    exportAll();

    EXPECT_EQ(names(recordings / "January 2026").size(), 1u);
    EXPECT_TRUE(logs.contains(QStringLiteral("export ok: exported=1 skipped=0")));
}

TEST_F(RecordingsExporterTest, ChunkFileNamesThatLeaveTheClipAreNeverRead) {
    writeBytes(folder.path() / "secret.mp3", "secret");
    writeBytes(clips / "clip-1" / "manifest.json",
               R"({"text":"x","chunks":[{"fileName":"../../../secret.mp3"}],)"
               R"("totalDuration":1,"createdAt":0})");
    exportAll();
    EXPECT_EQ(names(recordings), std::vector<std::string>{});
    EXPECT_TRUE(logs.contains(exportedNothing));
}

TEST_F(RecordingsExporterTest, UnlistableClipsLeaveThePreviousExportAlone) {
    writeClip({"clip-1"});
    exportAll();
    const auto before = names(recordings / "January 2026");
    fs::remove_all(clips);
    writeBytes(clips, "not a folder");

    const auto outcome = RecordingsExporter::exportRecordings(clips, recordings, timeZone, models);
    EXPECT_FALSE(outcome);
    EXPECT_EQ(names(recordings / "January 2026"), before);
}

TEST_F(RecordingsExporterTest, AnInterruptedExportNeverReachesTheRecordings) {
    writeClip({"clip-1"});
    writeBytes(folder.path() / "Parlino" / ".Recordings-export" / "half" / "done.mp3", "junk");
    writeBytes(folder.path() / "Parlino" / ".Recordings-previous" / "old.mp3", "junk");
    exportAll();

    EXPECT_EQ(names(recordings), std::vector<std::string>{"January 2026"});
    EXPECT_EQ(names(folder.path() / "Parlino"), (std::vector<std::string>{"Recordings", "clips"}));
}

// A kill on the way leaves the export's folders beside the Recordings: the next start clears them
// without following a link, and puts back a previous export that was moved aside for good.
TEST_F(RecordingsExporterTest, TheStartClearsWhatAKilledExportLeftBesideTheRecordings) {
    const fs::path parlino = folder.path() / "Parlino";
    writeClip({"clip-1"});
    exportAll();
    writeBytes(parlino / ".Recordings-export" / "January 2026" / "half.mp3", "junk");
    RecordingsExporter::ensureDirectory(recordings);
    EXPECT_EQ(names(parlino), (std::vector<std::string>{"Recordings", "clips"}));
    EXPECT_EQ(names(recordings), std::vector<std::string>{"January 2026"});
    EXPECT_TRUE(logs.contains(
        QStringLiteral("removing the build folder of an unfinished export: .Recordings-export")));

    // Killed between the two renames of the swap.
    fs::rename(recordings, parlino / ".Recordings-previous");
    writeBytes(parlino / ".Recordings-export" / "January 2026" / "new.mp3", "junk");
    RecordingsExporter::ensureDirectory(recordings);
    EXPECT_EQ(names(parlino), (std::vector<std::string>{"Recordings", "clips"}));
    EXPECT_EQ(names(recordings), std::vector<std::string>{"January 2026"});

    const fs::path outside = folder.path() / "outside";
    writeBytes(outside / "kept", "outside");
    fs::create_directory_symlink(outside, parlino / ".Recordings-export");
    fs::create_directory_symlink(outside, parlino / ".Recordings-previous");
    RecordingsExporter::ensureDirectory(recordings);
    EXPECT_EQ(names(parlino), (std::vector<std::string>{"Recordings", "clips"}));
    EXPECT_EQ(readBytes(outside / "kept"), "outside");
}

// Only a folder is an export: anything else in its place, found at the start or by an export, is
// kept under another name, never followed, and the previous export it hid comes back.
TEST_F(RecordingsExporterTest, WhatStandsInTheRecordingsPlaceAndIsNoFolderIsSetAside) {
    const fs::path parlino = folder.path() / "Parlino";
    writeClip({"clip-1"});
    exportAll();
    // Killed between the two renames of the swap; then a file where the export was.
    fs::rename(recordings, parlino / ".Recordings-previous");
    writeBytes(recordings, "the user's own");
    RecordingsExporter::ensureDirectory(recordings);
    EXPECT_EQ(names(parlino),
              (std::vector<std::string>{"Recordings", "Recordings.corrupt", "clips"}));
    EXPECT_EQ(names(recordings), std::vector<std::string>{"January 2026"});
    EXPECT_EQ(readBytes(parlino / "Recordings.corrupt"), "the user's own");
    EXPECT_TRUE(logs.contains(QStringLiteral(
        "Recordings was a regular file, not a folder — kept as Recordings.corrupt")));

    fs::remove_all(recordings);
    ASSERT_EQ(::mkfifo(recordings.c_str(), 0600), 0);
    RecordingsExporter::ensureDirectory(recordings);
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(parlino / "Recordings.corrupt-2")));
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(recordings)));

    const fs::path outside = folder.path() / "outside";
    writeBytes(outside / "kept", "outside");
    fs::remove_all(recordings);
    fs::create_directory_symlink(outside, recordings);
    exportAll();
    EXPECT_TRUE(fs::is_symlink(parlino / "Recordings.corrupt-3"));
    EXPECT_EQ(names(recordings), std::vector<std::string>{"January 2026"});
    EXPECT_EQ(names(outside), std::vector<std::string>{"kept"});
}

// With the Recordings folder gone, only a folder beside it is a previous export to put back: a
// file, a pipe or a link there is set aside, never followed, and the start makes a new folder.
TEST_F(RecordingsExporterTest, APreviousExportThatIsNoFolderIsSetAsideNotPutBack) {
    const fs::path parlino = folder.path() / "Parlino";
    const fs::path previous = parlino / ".Recordings-previous";
    const fs::path outside = folder.path() / "outside";
    writeBytes(outside / "kept", "outside");
    const std::map<std::string, std::function<void()>> kinds{
        {"regular file", [&] { writeBytes(previous, "the user's own"); }},
        {"named pipe", [&] { ASSERT_EQ(::mkfifo(previous.c_str(), 0600), 0); }},
        {"symbolic link", [&] { fs::create_directory_symlink(outside, previous); }},
    };
    for (const auto& [kind, make] : kinds) {
        SCOPED_TRACE(kind);
        fs::remove_all(parlino);
        fs::create_directories(parlino);
        make();
        RecordingsExporter::ensureDirectory(recordings);
        EXPECT_TRUE(fs::is_directory(fs::symlink_status(recordings)));
        EXPECT_TRUE(names(recordings).empty());
        EXPECT_EQ(names(parlino),
                  (std::vector<std::string>{".Recordings-previous.corrupt", "Recordings"}));
        EXPECT_TRUE(logs.contains(QStringLiteral(".Recordings-previous was a %1, not a folder — "
                                                 "kept as .Recordings-previous.corrupt")
                                      .arg(QString::fromStdString(kind))));
        EXPECT_EQ(names(outside), std::vector<std::string>{"kept"});
    }
    EXPECT_FALSE(logs.contains(QStringLiteral("the previous export is back in place")));
}

TEST_F(RecordingsExporterTest, AStoppedExportLeavesThePreviousOneAndNothingHalfBuilt) {
    writeClip({"clip-1"});
    exportAll();
    writeClip({"clip-2"});
    std::stop_source stop;
    stop.request_stop();

    const auto outcome =
        RecordingsExporter::exportRecordings(clips, recordings, timeZone, models, stop.get_token());
    ASSERT_FALSE(outcome);
    EXPECT_EQ(outcome.error(), std::errc::operation_canceled);
    EXPECT_EQ(names(recordings / "January 2026").size(), 1U);
    EXPECT_EQ(names(folder.path() / "Parlino"), (std::vector<std::string>{"Recordings", "clips"}));
}

TEST_F(RecordingsExporterTest, RecordingsPathThatCannotBeBuiltFails) {
    writeClip({"clip-1"});
    writeBytes(folder.path() / "file", "a file, not a folder");
    const auto outcome = RecordingsExporter::exportRecordings(
        clips, folder.path() / "file" / "Recordings", timeZone, models);
    EXPECT_FALSE(outcome);
    EXPECT_FALSE(logs.contains(QStringLiteral("export ok: exported=1 skipped=0")));
}

TEST_F(RecordingsExporterTest, BackgroundExportReportsOnTheMainThreadUnlessItsOwnerIsGone) {
    writeClip({"clip-1"});
    std::optional<bool> openedOnMainThread;
    const auto running = ownedExport(openedOnMainThread);
    running->start();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return openedOnMainThread.has_value(); }));
    EXPECT_TRUE(*openedOnMainThread);
    EXPECT_FALSE(running->isRunning());
    EXPECT_EQ(names(recordings), std::vector<std::string>{"January 2026"});

    // Gone while exporting (as at quit): the export has ended, whole or stopped, once its owner
    // has gone, and nothing reports it.
    writeClip({"clip-2"});
    std::optional<bool> openedAfterQuit;
    auto quitting = ownedExport(openedAfterQuit);
    quitting->start();
    quitting.reset();
    EXPECT_EQ(names(folder.path() / "Parlino"), (std::vector<std::string>{"Recordings", "clips"}));
    const auto exported = names(recordings / "January 2026").size();
    EXPECT_TRUE(exported == 1 || exported == 2) << exported;
    TestSupport::drainEvents();
    EXPECT_FALSE(openedAfterQuit.has_value());
}

} // namespace
