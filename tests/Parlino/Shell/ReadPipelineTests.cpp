#include "ShellTesting.h"

#include "Parlino/Storage/StorageTesting.h"

#include "Core/CacheKey.h"
#include "Core/StableHash.h"

#include <QFile>
#include <QThreadPool>

#include <filesystem>

using namespace Parlino;
using namespace ShellTesting;
using Kind = PlayerViewModel::Phase::Kind;
using Response = TestSupport::FakeSpeechService::Response;

namespace {

const QString text = QStringLiteral("Parlino reads this aloud.");
const QString voice = QStringLiteral("saved-voice");

QString keyFor(const QString& readText, const QString& readVoice) {
    return Core::CacheKey::make(
        readText, Core::VoiceID{readVoice},
        {QStringLiteral("eleven_flash_v2_5"), CompositionRoot::outputFormat});
}

class ReadPipelineTest : public RootTest {
protected:
    ReadPipelineTest() { Defaults::set(keys().voiceID, voice); }

    // A read synthesised in full and played to its end.
    void finishRead(const QString& readText = text) {
        read(readText);
        ASSERT_TRUE(waitForAudio());
        ASSERT_TRUE(playToEnd());
        ASSERT_TRUE(waitForStores());
    }
    bool waitForStores() {
        return TestSupport::pumpUntil(
            [this] { return !root().cache().isStoring() && !root().clipLibrary().isSaving(); });
    }
};

TEST_F(ReadPipelineTest, AMissIsSynthesisedPlayedCachedAndSavedAndTheSameReadIsThenAHit) {
    Defaults::set(keys().playbackRate, 2.0);
    Defaults::set(keys().defaultPlaybackRate, 1.25);
    Defaults::set(keys().provenVoiceIDs, {"a", "b", "c", "d", "e", "f"});
    finishRead();

    EXPECT_EQ(synthesisRequests(), 1);
    EXPECT_EQ(Defaults::get(keys().playbackRate), 1.25);
    EXPECT_TRUE(root().cache().lookup(keyFor(text, voice)));
    ASSERT_EQ(StorageTesting::listClips(root().clipLibrary()).size(), 1);
    EXPECT_EQ(
        root().clipLibrary().load(StorageTesting::listClips(root().clipLibrary()).first().id)->text,
        text);
    EXPECT_EQ(Defaults::get(keys().provenVoiceIDs), (QStringList{voice, "a", "b", "c", "d", "e"}));
    EXPECT_TRUE(phases.contains(Kind::playing));
    EXPECT_EQ(panel->attachments, 1);

    read(text);
    EXPECT_TRUE(logs.contains(QStringLiteral("cache hit: chunkCount=1")));
    EXPECT_EQ(phase(), Kind::playing);
    EXPECT_FALSE(player().timingWords().isEmpty());
    ASSERT_TRUE(playToEnd());
    EXPECT_EQ(synthesisRequests(), 1);
    EXPECT_EQ(StorageTesting::listClips(root().clipLibrary()).size(), 1);
}

// MARK: Audio that does not decode

TEST_F(ReadPipelineTest, AudioThatDoesNotDecodeStallsTheReadAndIsNeitherCachedNorSaved) {
    for (const QByteArray& audio : {QByteArray(4096, 'x'), QByteArray()}) {
        service.serveSpeech(audio, 1.5);
        read(text);
        ASSERT_TRUE(pumpUntilPhase(Kind::stalled)) << audio.size();
        EXPECT_EQ(*player().phase().ttsError(), Playback::SpeechSession::audioDecodeFailed());
        EXPECT_FALSE(root().cache().lookup(keyFor(text, voice)));
        EXPECT_TRUE(StorageTesting::listClips(root().clipLibrary()).isEmpty());
    }
}

class DamagedCacheTest : public ReadPipelineTest {
protected:
    // A finished read whose cached audio has since been overwritten with garbage of its size.
    void SetUp() override {
        finishRead();
        const auto chunk = std::filesystem::path(folders.path().toStdString()) / "cache" / "audio" /
                           keyFor(text, voice).toStdString() / "chunk-0.mp3";
        ASSERT_EQ(qint64(std::filesystem::file_size(chunk)), speech.size());
        QFile file(QString::fromStdString(chunk.string()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(speech.size(), 'x'));
    }
    // Runs the work scheduled now, as the main loop would.
    void runScheduled() {
        time().advance(0);
        TestSupport::drainEvents();
    }
};

TEST_F(DamagedCacheTest, TheEntryIsRemovedAndTheTextReadAfresh) {
    read(text);
    EXPECT_TRUE(logs.contains(QStringLiteral("cache hit: chunkCount=1")));
    runScheduled();
    ASSERT_TRUE(waitForAudio());
    ASSERT_TRUE(playToEnd());
    EXPECT_EQ(synthesisRequests(), 2);
    EXPECT_TRUE(
        logs.contains(QStringLiteral("cache entry does not decode — removed, reading afresh")));
    EXPECT_FALSE(phases.contains(Kind::stalled));
    const auto stored = root().cache().lookup(keyFor(text, voice));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->chunks.first().audio.bytes(), speech);
}

TEST_F(DamagedCacheTest, AFreshReadThatDoesNotDecodeEitherStallsInsteadOfLooping) {
    service.serveSpeech(QByteArray(4096, 'x'), 1.5);
    read(text);
    runScheduled();
    ASSERT_TRUE(pumpUntilPhase(Kind::stalled));
    runScheduled();
    EXPECT_EQ(synthesisRequests(), 2);
    EXPECT_EQ(phase(), Kind::stalled);
    EXPECT_FALSE(root().cache().lookup(keyFor(text, voice)));
}

TEST_F(ReadPipelineTest, AnAnswerWithoutAlignmentLastsAsLongAsItsAudio) {
    service.on(
        "POST", TestSupport::FakeSpeechService::synthesisRoute(),
        Response::json(Base::Json::Value{{"audio_base64", QString::fromLatin1(speech.toBase64())},
                                         {"alignment", nullptr}}));
    finishRead();
    const double decoded = factories.last()->decodedDuration(speech).value_or(0);
    ASSERT_GT(decoded, 1.0);
    EXPECT_EQ(player().progress().total().seconds, decoded);
    ASSERT_EQ(root().clipLibrary().clips().size(), 1);
    EXPECT_EQ(root().clipLibrary().clips().first().totalDuration, decoded);
}

// MARK: Long sentences

// A sentence of 20,000 characters goes to the service a chunk at a time, the first as short as
// any first chunk; a word longer than any request goes in pieces whose words lie end to end, each
// highlighted and sought in its turn.
TEST_F(ReadPipelineTest, ALongSentenceGoesInRequestsOfAChunkAndACutWordIsSoughtPieceByPiece) {
    const QString word = QStringLiteral("abcdefghij").repeated(250);
    const QString sentence =
        QStringLiteral("Words of a sentence that does not end ").repeated(520) + word;
    const QString longText = sentence + QStringLiteral(" and its end.");
    root().wirePlayerActions();
    read(longText);
    ASSERT_TRUE(waitForAudio());

    QList<qsizetype> requested;
    for (const auto& request : service.requests())
        if (request.path().endsWith("/with-timestamps"))
            requested.append(
                QString::fromStdString(request.json()["text"].get<std::string>()).size());
    ASSERT_GE(requested.size(), 28);
    for (const qsizetype length : requested)
        EXPECT_LE(length, CompositionRoot::chunkBound);

    ASSERT_TRUE(panel && panel->onTick);
    panel->onTick();
    const Core::TimedWords& words = player().timingWords();
    const qint64 wordStart = sentence.size() - word.size();
    QList<qsizetype> pieces;
    QString laidEndToEnd;
    for (qsizetype i = 0; i < words.size(); ++i)
        if (words[i].range.lower >= wordStart && words[i].range.upper <= sentence.size()) {
            EXPECT_EQ(words[i].range.lower, wordStart + laidEndToEnd.size());
            laidEndToEnd += words[i].word;
            pieces.append(i);
        }
    EXPECT_EQ(laidEndToEnd, word);
    ASSERT_EQ(pieces.size(), 4);

    for (const qsizetype piece : {pieces[2], pieces[1], pieces[3]}) {
        player().onWordTap(piece);
        panel->onTick();
        EXPECT_EQ(player().currentWordIndex(), piece);
        EXPECT_EQ(root().speechSession()->elapsed(), words[piece].start);
    }
}

// Audio cached or saved before long sentences were cut holds one chunk per whole sentence: it
// still plays, from the cache and from a clip, without a request.
TEST_F(ReadPipelineTest, AudioStoredWithALongSentenceWholeStillPlaysWithoutARequest) {
    const QString longText = QStringLiteral("A short one. ") +
                             QStringLiteral("Words of a sentence that does not end ").repeated(70) +
                             QStringLiteral("here. And a short one.");
    const QList<AudioChunk> threeChunks(3, AudioChunk{Base::LazyBytes(speech), 1.5});
    root().cache().store(keyFor(longText, voice), threeChunks, {});
    ASSERT_TRUE(waitForStores());

    read(longText);
    EXPECT_TRUE(logs.contains(QStringLiteral("cache hit: chunkCount=3")));
    EXPECT_EQ(phase(), Kind::playing);
    root().loadIntoPlayer(longText, threeChunks, {}, voice, true);
    EXPECT_FALSE(logs.contains(QStringLiteral("chunk count drift")));
    EXPECT_EQ(phase(), Kind::playing);
    EXPECT_EQ(synthesisRequests(), 0);
}

// MARK: Audio on disk

TEST_F(ReadPipelineTest, ArrivingAudioWaitsOnDiskUntilTheReadIsStopped) {
    const std::filesystem::path staging =
        std::filesystem::path(folders.path().toStdString()) / "cache" / "staging";
    const auto stagedFiles = [&] {
        QList<QByteArray> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(staging))
            if (entry.is_regular_file())
                files.append(QByteArray::fromStdString(entry.path().filename().string()));
        return files;
    };
    int answered = 0;
    service.on("POST", TestSupport::FakeSpeechService::synthesisRoute(),
               [&](const TestSupport::FakeSpeechService::Request&) {
                   return answered++ == 0 ? Response::withTimestamps(speech, text, 1.5)
                                          : heldAnswer();
               });
    read(QStringLiteral("A sentence of a text that takes more than one chunk to read. ")
             .repeated(30));
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return synthesisRequests() == 2; }));
    EXPECT_EQ(stagedFiles(), QList<QByteArray>{"chunk-0.mp3"});

    root().stopSession();
    EXPECT_TRUE(stagedFiles().isEmpty());
    EXPECT_TRUE(StorageTesting::names(staging).empty()) << "the read's folder goes too";
}

// A read whose audio all arrived keeps it for a replay; once stopped, its staging folder goes,
// and a replay plays the same audio from the cache.
TEST_F(ReadPipelineTest, AStoppedReadLeavesNoStagingFolderAndIsReplayedFromTheCache) {
    const std::filesystem::path staging =
        std::filesystem::path(folders.path().toStdString()) / "cache" / "staging";
    finishRead();
    ASSERT_FALSE(StorageTesting::names(staging).empty()) << "kept for a replay while it shows";

    root().stopSession();
    EXPECT_TRUE(StorageTesting::names(staging).empty());
    ASSERT_TRUE(root().lastPlayed() && root().lastPlayed()->hasAudio());
    const auto replayed = root().lastPlayed()->chunks->first().audio;
    EXPECT_EQ(replayed.bytes(), speech);
    EXPECT_FALSE(replayed.file()->native().starts_with(staging.native()));
}

TEST_F(ReadPipelineTest, AReadRepeatedOrStoppedBeforeItIsStoredIsAHitAndStoredWhole) {
    read(text);
    ASSERT_TRUE(waitForAudio());
    read(text);
    EXPECT_TRUE(logs.contains(QStringLiteral("cache hit: chunkCount=1")));
    root().stopSession();

    ASSERT_TRUE(waitForStores());
    EXPECT_EQ(synthesisRequests(), 1);
    const auto stored = root().cache().lookup(keyFor(text, voice));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->chunks.first().audio.bytes(), speech);
    const auto clips = StorageTesting::listClips(root().clipLibrary());
    ASSERT_EQ(clips.size(), 1);
    EXPECT_EQ(root().clipLibrary().load(clips.first().id)->chunks.first().audio.bytes(), speech);
}

TEST_F(ReadPipelineTest, WithSavingOffTheReadIsCachedButNoClipIsSaved) {
    Defaults::set(keys().saveRecordings, false);
    finishRead();
    EXPECT_TRUE(root().cache().lookup(keyFor(text, voice)));
    EXPECT_TRUE(StorageTesting::listClips(root().clipLibrary()).isEmpty());
}

TEST_F(ReadPipelineTest, TheDefaultVoiceStandsInOnlyWhenTheLoadedListLacksTheSavedOne) {
    read(text);
    EXPECT_EQ(root().currentRendition()->voiceID, voice); // list never fetched: saved voice used

    bool keyKnown = false;
    root().refreshKeyPresence([&] { keyKnown = true; });
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return keyKnown; }));
    root().voices().refresh();
    ASSERT_TRUE(TestSupport::pumpUntil(
        [&] { return root().voices().state().kind() == VoicesModel::FetchState::Kind::loaded; }));
    read(text + " Again.");
    EXPECT_EQ(root().currentRendition()->voiceID, defaultVoiceID);
    EXPECT_EQ(Defaults::get(keys().voiceID), voice);
    EXPECT_TRUE(logs.contains(
        QStringLiteral("startRead: saved voice unavailable (idHash=%1) — using default voice")
            .arg(Core::stableHash(voice))));
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return synthesisRequests() == 2; }));
    EXPECT_TRUE(service.requests().last().path().contains(defaultVoiceID.toUtf8()));
}

TEST_F(ReadPipelineTest, ANewTextNeverShowsThePreviousReadsWords) {
    finishRead();
    ASSERT_FALSE(player().timingWords().isEmpty());
    ASSERT_TRUE(player().currentWordIndex());

    service.on("POST", TestSupport::FakeSpeechService::synthesisRoute(), heldAnswer());
    read(QStringLiteral("Something else entirely."));
    EXPECT_TRUE(player().timingWords().isEmpty());
    EXPECT_FALSE(player().currentWordIndex());
    EXPECT_EQ(phase(), Kind::loading);
}

TEST_F(ReadPipelineTest, ALongTextIsPreparedAsideAndAStopOrANewerReadWins) {
    service.on("POST", TestSupport::FakeSpeechService::synthesisRoute(), heldAnswer());
    QString longText;
    for (int sentence = 0; longText.size() < 300'000; ++sentence)
        longText += QStringLiteral("Sentence %1 of a long read. ").arg(sentence);
    const auto firstRequested = [this] {
        for (const auto& request : service.requests())
            if (request.path().endsWith("/with-timestamps"))
                return QString::fromStdString(request.json()["text"].get<std::string>());
        return QString();
    };

    read(longText);
    EXPECT_EQ(phase(), Kind::loading);
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return synthesisRequests() == 1; }, 10000));
    EXPECT_TRUE(firstRequested().startsWith(QStringLiteral("Sentence 0 of a long read.")));
    EXPECT_EQ(root().lastPlayed()->text, longText);

    // A stop, or a short read, while a long one is being prepared: the long one never starts.
    service.clearRequests();
    read(longText);
    root().stopSession();
    read(longText + QStringLiteral(" Once more."));
    read(text);
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return synthesisRequests() >= 1; }, 10000));
    // Once the preparations aside are done and delivered, none of them has started a read.
    QThreadPool::globalInstance()->waitForDone();
    TestSupport::drainEvents();
    EXPECT_EQ(synthesisRequests(), 1);
    EXPECT_EQ(firstRequested(), text);
    EXPECT_EQ(root().lastPlayed()->text, text);
}

TEST_F(ReadPipelineTest, AVoiceRefusedByTheServiceStallsAndLeavesTheProvenVoices) {
    Defaults::set(keys().provenVoiceIDs, {voice, "other"});
    service.on("POST", TestSupport::FakeSpeechService::synthesisRoute(),
               Response::error(404, QStringLiteral("voice_not_found"), QStringLiteral("gone")));
    read(text);
    ASSERT_TRUE(pumpUntilPhase(Kind::stalled));
    EXPECT_EQ(player().phase().ttsError()->status(), 404);
    EXPECT_EQ(Defaults::get(keys().provenVoiceIDs), QStringList{"other"});
    EXPECT_TRUE(
        logs.contains(QStringLiteral("read failed on its voice (idHash=%1) — dropped from recents")
                          .arg(Core::stableHash(voice))));
}

TEST_F(ReadPipelineTest, RunningOutOfCreditsStallsWithoutTouchingTheProvenVoices) {
    Defaults::set(keys().provenVoiceIDs, {voice});
    service.on("POST", TestSupport::FakeSpeechService::synthesisRoute(),
               Response::error(402, QStringLiteral("quota_exceeded"), QStringLiteral("none")));
    read(text);
    ASSERT_TRUE(pumpUntilPhase(Kind::stalled));
    EXPECT_EQ(player().phase().ttsError()->kind(), Core::TTSError::Kind::insufficientCredits);
    EXPECT_EQ(Defaults::get(keys().provenVoiceIDs), QStringList{voice});
}

TEST_F(ReadPipelineTest, AFinishedReadReopensPausedWithinTenSecondsAndOnTheClipsAfterwards) {
    root().wirePanelDecisions();
    finishRead();
    time().advance(9.9);
    EXPECT_EQ(panel->onOpenLanding(), OpenLanding::readingRebuildPaused);
    EXPECT_EQ(phase(), Kind::paused);
    EXPECT_EQ(player().contentMode(), PanelContentMode::reading);
    EXPECT_TRUE(panel->isReadAttached());

    root().stopSession();
    EXPECT_EQ(panel->onOpenLanding(), OpenLanding::clips);
    finishRead();
    time().advance(10);
    EXPECT_EQ(panel->onOpenLanding(), OpenLanding::clips);
    EXPECT_FALSE(panel->isReadAttached());
}

TEST_F(ReadPipelineTest, AParkedReadReopensOnTheReadingPageOnlyWithinTenSeconds) {
    root().wirePanelDecisions();
    read(text);
    ASSERT_TRUE(pumpUntilPhase(Kind::playing));
    root().speechSession()->pause();
    EXPECT_EQ(panel->onOpenLanding(), OpenLanding::reading); // never parked
    panel->onParked();
    time().advance(9.9);
    EXPECT_EQ(panel->onOpenLanding(), OpenLanding::reading);
    time().advance(0.1);
    EXPECT_EQ(panel->onOpenLanding(), OpenLanding::clips);
}

TEST_F(ReadPipelineTest, ReplayPlaysTheLastReadElseTheNewestClipElseNothing) {
    root().replayLast();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return root().clipLibrary().isListed(); }));
    EXPECT_FALSE(root().speechSession());

    root().clipLibrary().save(text, {{speech, 5.0}}, {}, voice, std::nullopt);
    root().replayLast();
    EXPECT_EQ(phase(), Kind::playing);
    EXPECT_EQ(root().currentText(), text);
    EXPECT_EQ(synthesisRequests(), 0);

    const QString other = QStringLiteral("Another read.");
    finishRead(other);
    const qint64 epoch = player().textEpoch();
    root().replayLast();
    EXPECT_EQ(phase(), Kind::playing);
    EXPECT_EQ(root().currentText(), other);
    EXPECT_GT(player().textEpoch(), epoch);
    EXPECT_EQ(synthesisRequests(), 1);
}

TEST_F(ReadPipelineTest, StoredAudioThatNoLongerChunksLikeTheTextIsReadAfresh) {
    finishRead();
    const auto last = *root().lastPlayed();
    QList<AudioChunk> twoChunks = *last.chunks;
    twoChunks.append(twoChunks.first());
    root().loadIntoPlayer(text, twoChunks, *last.words, voice, true);
    EXPECT_TRUE(logs.contains(
        QStringLiteral("loadIntoPlayer: chunk count drift — falling back to a fresh read")));
    EXPECT_TRUE(logs.contains(QStringLiteral("cache hit: chunkCount=1")));
}

} // namespace
