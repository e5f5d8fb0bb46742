#include "Parlino/Storage/ClipLibrary.h"

#include "Base/Json.h"
#include "Parlino/Storage/StorageTesting.h"
#include "support/EventLoop.h"
#include "support/LogCapture.h"
#include "support/Printers.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <functional>
#include <memory>

using namespace Parlino;
using namespace StorageTesting;
using Core::WordTiming;

namespace {

const QString selfHealingLine =
    QStringLiteral("load: chunk size mismatch — self-healing (removing entry)");

const Core::TimedWords words{QList<WordTiming>{{QStringLiteral("Hello,"), {0, 6}, 0.05, 0.42},
                                               {QStringLiteral("world."), {7, 13}, 0.5, 0.96}}};
const QString text = QStringLiteral("Hello, world.");

class ClipLibraryTest : public ::testing::Test {
protected:
    ClipLibrary makeLibrary() {
        return ClipLibrary(root, [this] { return now; });
    }
    ClipID save(ClipLibrary& library, const QList<AudioChunk>& chunks = audioChunks(2, 10),
                std::optional<QString> modelID = QStringLiteral("eleven_flash_v2_5")) {
        const auto id = library.save(text, chunks, words, QStringLiteral("voice-1"), modelID);
        EXPECT_TRUE(id);
        return id.value_or(ClipID{});
    }
    fs::path folderOf(const ClipID& id) const { return root / id.rawValue.toStdString(); }
    Base::Json::Value manifestOf(const ClipID& id) const {
        return Base::Json::parse(readBytes(folderOf(id) / "manifest.json")).value();
    }

    TemporaryFolder folder;
    fs::path root = folder.path() / "Parlino" / "clips";
    Base::Date now = utc(2026, 1, 5, 13, 45, 1, 123);
    TestSupport::LogCapture logs;
};

TEST_F(ClipLibraryTest, SavedClipLoadsAsItWasSaved) {
    auto library = makeLibrary();
    const auto chunks = audioChunks(3, 50);
    const ClipID id = save(library, chunks);

    EXPECT_TRUE(QRegularExpression(QStringLiteral("^clip-20260105T134501123Z-[0-9a-f]{8}$"))
                    .match(id.rawValue)
                    .hasMatch())
        << id.rawValue.toStdString();
    const auto clip = library.load(id);
    ASSERT_TRUE(clip);
    EXPECT_EQ(*clip, (ClipLibrary::Clip{text, QStringLiteral("voice-1"), chunks, words}));
    EXPECT_TRUE(logs.contains(QStringLiteral("save ok: chunkCount=3")));
}

TEST_F(ClipLibraryTest, ManifestHoldsEveryKeyInOrder) {
    auto library = makeLibrary();
    const auto manifest = manifestOf(save(library, {{"abc", 1.5}, {"de", 0.25}}));

    std::vector<std::string> keys;
    for (const auto& [key, value] : manifest.items())
        keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"text", "words", "chunks", "totalDuration",
                                              "createdAt", "voiceID", "modelID"}));
    EXPECT_EQ(manifest["chunks"].dump(),
              R"([{"fileName":"chunk-0.mp3","sizeBytes":3,"duration":1.5},)"
              R"({"fileName":"chunk-1.mp3","sizeBytes":2,"duration":0.25}])");
    EXPECT_EQ(manifest["totalDuration"].get<double>(), 1.75);
    EXPECT_EQ(manifest["createdAt"].get<double>(), now.secondsSinceReferenceDate);
    EXPECT_EQ(manifest["modelID"], "eleven_flash_v2_5");
}

TEST_F(ClipLibraryTest, CreationTimesStrictlyIncreaseWithinARun) {
    auto library = makeLibrary();
    const ClipID first = save(library);
    const ClipID second = save(library);
    now = Base::Date{now.secondsSinceReferenceDate - 3600};
    const ClipID third = save(library);

    EXPECT_NE(first, second);
    const double t1 = manifestOf(first)["createdAt"].get<double>();
    EXPECT_NEAR(manifestOf(second)["createdAt"].get<double>() - t1, 0.001, 1e-6);
    EXPECT_NEAR(manifestOf(third)["createdAt"].get<double>() - t1, 0.002, 1e-6);
    EXPECT_TRUE(second.rawValue.startsWith(u"clip-20260105T134501124Z-"));
}

TEST_F(ClipLibraryTest, ClipWithoutChunksOrModel) {
    auto library = makeLibrary();
    const ClipID id = save(library, {}, std::nullopt);

    const auto manifest = manifestOf(id);
    EXPECT_EQ(manifest["chunks"].dump(), "[]");
    EXPECT_EQ(manifest["totalDuration"].get<double>(), 0.0);
    EXPECT_FALSE(manifest.contains("modelID"));
    EXPECT_EQ(names(folderOf(id)), std::vector<std::string>{"manifest.json"});
    const auto clip = library.load(id);
    ASSERT_TRUE(clip);
    EXPECT_TRUE(clip->chunks.isEmpty());
    EXPECT_EQ(clip->words, words);
}

TEST_F(ClipLibraryTest, NullModelLoadsAndLists) {
    auto library = makeLibrary();
    writeBytes(root / "mine" / "manifest.json",
               R"({"text":"x","words":[],"chunks":[],"totalDuration":2,"createdAt":5,)"
               R"("voiceID":"v","modelID":null,"extra":true})");
    ASSERT_EQ(listClips(library).size(), 1);
    EXPECT_EQ(listClips(library)[0],
              (ClipSummary{{QStringLiteral("mine")}, "x", Base::Date{5}, 2}));
    EXPECT_TRUE(library.load({QStringLiteral("mine")}));
}

TEST_F(ClipLibraryTest, ListsReadableClipsNewestFirst) {
    auto library = makeLibrary();
    const ClipID older = save(library);
    now = Base::Date{now.secondsSinceReferenceDate + 10};
    const ClipID newer = save(library);
    // Sorts before both by name, but its manifest time is the latest.
    writeBytes(root / "a-late" / "manifest.json",
               R"({"text":"late","words":[],"chunks":[],"totalDuration":0,)"
               R"("createdAt":9e9,"voiceID":"v"})");
    writeBytes(root / "broken" / "manifest.json", "{");
    fs::create_directories(root / "empty");

    QList<ClipID> ids;
    for (const auto& summary : listClips(library))
        ids.append(summary.id);
    EXPECT_EQ(ids, (QList<ClipID>{{QStringLiteral("a-late")}, newer, older}));
    EXPECT_TRUE(fs::exists(root / "broken"));
    EXPECT_TRUE(fs::exists(root / "empty"));
}

TEST_F(ClipLibraryTest, ListFollowsManifestsChangedOrRemovedSinceTheLastList) {
    auto library = makeLibrary();
    const ClipID kept = save(library);
    const ClipID edited = save(library);
    const ClipID removed = save(library);
    ASSERT_EQ(listClips(library).size(), 3);

    auto manifest = manifestOf(edited);
    manifest["text"] = "Rewritten by hand";
    writeBytes(folderOf(edited) / "manifest.json", QByteArray::fromStdString(manifest.dump()));
    fs::remove_all(folderOf(removed));
    writeBytes(folderOf(kept) / "manifest.json", "{}");

    const auto summaries = listClips(library);
    ASSERT_EQ(summaries.size(), 1);
    EXPECT_EQ(summaries[0].id, edited);
    EXPECT_EQ(summaries[0].preview, QStringLiteral("Rewritten by hand"));
}

// A later run lists from the summary index: a summary is taken from it while its manifest keeps
// the stamp the index names, and read from the manifest otherwise, even when the manifest was
// edited in place with its size and modification time put back.
TEST_F(ClipLibraryTest, ALaterRunListsFromTheIndexWhileItsManifestsAreUnchanged) {
    auto library = makeLibrary();
    const ClipID trusted = save(library);
    const ClipID edited = save(library);
    const ClipID backdated = save(library);
    const ClipID removed = save(library);
    const auto summaries = listClips(library);
    ASSERT_EQ(summaries.size(), 4);
    EXPECT_EQ(listClips(makeLibrary()), summaries);

    auto manifest = manifestOf(edited);
    manifest["text"] = "Rewritten by hand";
    writeBytes(folderOf(edited) / "manifest.json", QByteArray::fromStdString(manifest.dump()));
    const fs::path backdatedManifest = folderOf(backdated) / "manifest.json";
    const auto backdatedTime = fs::last_write_time(backdatedManifest);
    const QByteArray original = readBytes(backdatedManifest);
    writeBytes(backdatedManifest, QByteArray(original).replace("Hello, world.", "Jello, world."));
    ASSERT_EQ(readBytes(backdatedManifest).size(), original.size());
    fs::last_write_time(backdatedManifest, backdatedTime);
    fs::remove_all(folderOf(removed));

    auto later = makeLibrary();
    const auto listed = listClips(later);
    ASSERT_EQ(listed.size(), 3);
    EXPECT_EQ(listed[0].id, backdated);
    EXPECT_EQ(listed[0].preview, QStringLiteral("Jello, world."));
    EXPECT_EQ(listed[1].id, edited);
    EXPECT_EQ(listed[1].preview, QStringLiteral("Rewritten by hand"));
    EXPECT_EQ(listed[2], summaries[3]);
    EXPECT_EQ(listed[2].id, trusted);
    EXPECT_EQ(readBytes(root / "summaries.tsv").count('\n'), 4) << "written anew, with its header";
}

TEST_F(ClipLibraryTest, ADamagedIndexIsReadAroundAndWrittenAnew) {
    auto library = makeLibrary();
    const ClipID first = save(library);
    const ClipID second = save(library);
    const auto summaries = listClips(library);
    const auto sortedLines = [this] {
        QList<QByteArray> lines = readBytes(root / "summaries.tsv").split('\n');
        std::sort(lines.begin() + 1, lines.end());
        return lines;
    };
    const QList<QByteArray> lines = sortedLines();
    ASSERT_EQ(lines.size(), 4); // the header, the end of the last line, two clips
    const QByteArray header = lines[0] + '\n';
    const auto withField = [](const QByteArray& line, int field, const QByteArray& value) {
        QList<QByteArray> fields = line.split('\t');
        fields[field] = value;
        return fields.join('\t');
    };

    for (const QByteArray& damaged :
         {header + lines[2] + "\nx\t1\t2\n" + lines[3].chopped(10), QByteArray("\xff\xfe garbage"),
          header + QByteArray(lines[2]).replace('\t', ' ') + '\n' + lines[3] + '\n',
          lines[2] + '\n' + lines[3] + '\n',
          header + withField(lines[2], 3, "nan") + '\n' + lines[3] + '\n',
          header + withField(lines[2], 4, "-inf") + '\n' + lines[3] + '\n'}) {
        writeBytes(root / "summaries.tsv", damaged);
        EXPECT_EQ(listClips(makeLibrary()), summaries) << damaged.toStdString();
        EXPECT_EQ(sortedLines(), lines);
    }
    library.deleteClip(first);
    EXPECT_EQ(listClips(library), QList<ClipSummary>{summaries[0]});
    EXPECT_EQ(listClips(makeLibrary()), QList<ClipSummary>{summaries[0]});
    EXPECT_EQ(summaries[0].id, second);
}

// An index line holds only while its clip's folder is a real folder of its own, unchanged since;
// a clip whose line is stale but that still loads is read again, not lost.
TEST_F(ClipLibraryTest, AnIndexLineHoldsOnlyWhileItsFolderIsUnchanged) {
    auto library = makeLibrary();
    const ClipID linked = save(library);
    const ClipID chunkRemoved = save(library);
    const ClipID fileAdded = save(library);
    const ClipID kept = save(library);
    ASSERT_EQ(listClips(library).size(), 4);
    const fs::path elsewhere = folder.path() / "elsewhere";
    fs::rename(folderOf(linked), elsewhere);
    fs::create_directory_symlink(elsewhere, folderOf(linked));
    fs::remove(folderOf(chunkRemoved) / "chunk-1.mp3");
    writeBytes(folderOf(fileAdded) / "notes.txt", "mine");

    QList<ClipID> expected{kept, fileAdded};
    const auto ids = [](const QList<ClipSummary>& summaries) {
        QList<ClipID> result;
        for (const auto& summary : summaries)
            result.append(summary.id);
        return result;
    };
    EXPECT_EQ(ids(listClips(makeLibrary())), expected) << "a later run, from the index";
    EXPECT_EQ(ids(listClips(library)), expected) << "this run, from memory";
    EXPECT_EQ(library.load(linked), std::nullopt);
    EXPECT_TRUE(fs::exists(elsewhere / "manifest.json"));
}

// The index is written only as a regular file of its own: a pipe in its place or in its temporary
// file's place does not block, and a link does not lead a write out of the folder.
TEST_F(ClipLibraryTest, SpecialFilesInTheIndexsPlaceAreReplacedNotWrittenThrough) {
    const fs::path index = root / "summaries.tsv";
    const fs::path fresh = root / "summaries.tsv.new";
    const fs::path outside = folder.path() / "outside.txt";
    using Special = std::function<void(const fs::path&)>;
    const Special specials[] = {
        [](const fs::path& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
        [&](const fs::path& path) { fs::create_symlink(outside, path); },
        [&](const fs::path& path) { fs::create_hard_link(outside, path); },
    };
    for (const fs::path& place : {index, fresh}) {
        for (const Special& makeSpecial : specials) {
            fs::remove_all(root);
            writeBytes(outside, "outside");
            auto library = makeLibrary();
            const ClipID first = save(library);
            listClips(library);
            fs::remove(place);
            makeSpecial(place);
            const ClipID saved = save(library);
            library.deleteClip(first);
            listClips(library); // the index, now out of date, written anew
            ASSERT_EQ(listClips(makeLibrary()).size(), 1) << place;
            EXPECT_EQ(readBytes(outside), "outside") << place;
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(index))) << place;
            EXPECT_EQ(fs::hard_link_count(index), 1u) << place;
            EXPECT_FALSE(fs::exists(fs::symlink_status(fresh))) << place;
            EXPECT_TRUE(readBytes(index).contains(saved.rawValue.toUtf8())) << place;
        }
    }
    EXPECT_TRUE(logs.contains(
        QStringLiteral("summary index: summaries.tsv.new was a named pipe — replaced with a "
                       "regular file")));
}

TEST_F(ClipLibraryTest, ItsOwnSavesAndDeletionsReachTheListingAtOnceOthersAtARefresh) {
    auto library = makeLibrary();
    const ClipID first = save(library);
    EXPECT_FALSE(library.isListed());
    EXPECT_EQ(library.clips().size(), 1) << "this run's saves before the first listing";
    listClips(library);
    now = Base::Date{now.secondsSinceReferenceDate + 10};
    const ClipID second = save(library);
    ASSERT_EQ(library.clips().size(), 2);
    EXPECT_EQ(library.clips().first().id, second);

    fs::remove_all(folderOf(first));
    writeBytes(root / "by-hand" / "manifest.json",
               R"({"text":"x","words":[],"chunks":[],"totalDuration":0,"createdAt":0,)"
               R"("voiceID":"v"})");
    EXPECT_EQ(library.clips().size(), 2) << "another's changes wait for a refresh";

    // Changes made while a listing runs outlast its result.
    library.refresh();
    library.deleteClip(second);
    const ClipID third = save(library);
    EXPECT_EQ(library.clips().first().id, third);
    QList<ClipID> ids;
    for (const auto& summary : listClips(library))
        ids.append(summary.id);
    EXPECT_EQ(ids, (QList<ClipID>{third, {QStringLiteral("by-hand")}}));
}

TEST_F(ClipLibraryTest, WhenListedWaitsForTheFirstListingOnly) {
    auto library = makeLibrary();
    save(library);
    int calls = 0;
    QObject context;
    auto gone = std::make_unique<QObject>();
    library.whenListed(&context, [&] { ++calls; });
    library.whenListed(gone.get(), [&] { calls += 100; });
    gone.reset();
    EXPECT_EQ(calls, 0);
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return library.isListed(); }));
    TestSupport::drainEvents();
    EXPECT_EQ(calls, 1) << "once, and not for a context that is gone";
    library.whenListed(&context, [&] { ++calls; });
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(library.clips().size(), 1);
}

TEST_F(ClipLibraryTest, ListOfAMissingRootIsEmpty) {
    auto library = makeLibrary();
    save(library);
    fs::remove_all(root);
    EXPECT_TRUE(listClips(library).isEmpty());
}

// Long texts are decoded only as far as their previews take, however many bytes a character has.
TEST_F(ClipLibraryTest, PreviewIsTheFirstTwoHundredCharacters) {
    auto library = makeLibrary();
    const QString family = QString::fromUtf8("👨‍👩‍👧");
    const QString accented = u'e' + QString(30, QChar(0x0301));
    // Each text repeats one user-perceived character.
    const QList<std::pair<QString, qsizetype>> texts{
        {QStringLiteral("x"), 500}, {QStringLiteral("x"), 100000}, {family, 250}, {accented, 600}};
    for (const auto& [character, count] : texts)
        library.save(character.repeated(count), {}, {}, QStringLiteral("v"), std::nullopt);

    const auto summaries = listClips(library);
    ASSERT_EQ(summaries.size(), texts.size());
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const auto& [character, count] = texts[texts.size() - 1 - i]; // newest first
        EXPECT_EQ(summaries[i].preview, character.repeated(200)) << i;
    }
    // A save lists its clip from what it wrote; read back from the manifests, they are the same.
    fs::remove(root / "summaries.tsv");
    EXPECT_EQ(listClips(makeLibrary()), summaries);
}

TEST_F(ClipLibraryTest, LoadRemovesAClipWhoseChunkIsShortOrMissing) {
    auto library = makeLibrary();
    const ClipID shortened = save(library);
    const ClipID missing = save(library);
    fs::resize_file(folderOf(shortened) / "chunk-1.mp3", 9);
    fs::remove(folderOf(missing) / "chunk-0.mp3");

    EXPECT_EQ(library.load(shortened), std::nullopt);
    EXPECT_EQ(library.load(missing), std::nullopt);
    EXPECT_EQ(logs.messages(QStringLiteral("clipLibrary")).count(selfHealingLine), 2);
    EXPECT_FALSE(fs::exists(folderOf(shortened)));
    EXPECT_FALSE(fs::exists(folderOf(missing)));
    EXPECT_TRUE(listClips(library).isEmpty());
}

TEST_F(ClipLibraryTest, LoadKeepsAClipThatCannotBeReadForAnotherReason) {
    auto library = makeLibrary();
    const ClipID chunkUnreadable = save(library);
    const ClipID manifestBroken = save(library);
    fs::remove(folderOf(chunkUnreadable) / "chunk-0.mp3");
    fs::create_directory(folderOf(chunkUnreadable) / "chunk-0.mp3");
    writeBytes(folderOf(manifestBroken) / "manifest.json", "not json");

    EXPECT_EQ(library.load(chunkUnreadable), std::nullopt);
    EXPECT_EQ(library.load(manifestBroken), std::nullopt);
    EXPECT_TRUE(fs::exists(folderOf(chunkUnreadable)));
    EXPECT_TRUE(fs::exists(folderOf(manifestBroken)));
    EXPECT_FALSE(logs.contains(selfHealingLine));
}

// A clip is the user's own: one whose files are not regular files of its own is skipped and kept,
// and reading it neither blocks (a pipe with no writer) nor exhausts memory (an endless device) nor
// leaves the library (a link to a file elsewhere).
TEST_F(ClipLibraryTest, SkipsAndKeepsClipsHoldingOtherThanRegularFiles) {
    auto library = makeLibrary();
    const ClipID sound = save(library);
    const fs::path elsewhere = folder.path() / "elsewhere";
    fs::create_directories(elsewhere);
    std::vector<ClipID> foreign;
    const auto foreignClip = [&](const char* file, const auto& replaceWithForeign) {
        foreign.push_back(save(library));
        const fs::path path = folderOf(foreign.back()) / file;
        fs::rename(path, elsewhere / (foreign.back().rawValue.toStdString() + file));
        replaceWithForeign(path, elsewhere / (foreign.back().rawValue.toStdString() + file));
    };
    const auto pipe = [](const fs::path& path, const fs::path&) {
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    };
    const auto endless = [](const fs::path& path, const fs::path&) {
        fs::create_symlink("/dev/zero", path);
    };
    const auto link = [](const fs::path& path, const fs::path& moved) {
        fs::create_symlink(moved, path);
    };
    foreignClip("manifest.json", pipe);
    foreignClip("manifest.json", endless);
    foreignClip("manifest.json", link);
    foreignClip("chunk-0.mp3", pipe);
    foreignClip("chunk-1.mp3", link);

    QList<ClipID> listed;
    for (const auto& summary : listClips(library))
        listed.append(summary.id);
    EXPECT_EQ(listed, QList<ClipID>{sound});
    for (const ClipID& id : foreign) {
        EXPECT_EQ(library.load(id), std::nullopt) << id.rawValue.toStdString();
        EXPECT_TRUE(fs::exists(folderOf(id))) << id.rawValue.toStdString();
    }
    EXPECT_FALSE(logs.contains(selfHealingLine));
    EXPECT_TRUE(library.load(sound));
}

TEST_F(ClipLibraryTest, KeepsTextsAndWordsThatBeginWithAByteOrderMarkExactly) {
    auto library = makeLibrary();
    const QString bom(QChar(0xFEFF));
    const QString marked = bom + bom + QStringLiteral("Hello");
    const Core::TimedWords markedWords{
        QList<WordTiming>{{bom + QStringLiteral("Hello"), {1, 7}, 0.0, 0.5}}};
    const auto id = library.save(marked, audioChunks(1, 10), markedWords, bom + "voice", bom);
    ASSERT_TRUE(id);

    const auto clip = library.load(*id);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->text, marked);
    EXPECT_EQ(clip->words, markedWords);
    EXPECT_EQ(clip->voiceID, bom + "voice");
    ASSERT_EQ(listClips(library).size(), 1);
    EXPECT_EQ(listClips(library).first().preview, marked);
}

TEST_F(ClipLibraryTest, DeleteRemovesOnlyThatClip) {
    auto library = makeLibrary();
    const ClipID kept = save(library);
    const ClipID deleted = save(library);
    library.deleteClip(deleted);
    library.deleteClip({QStringLiteral("clip-that-never-was")});
    ASSERT_EQ(listClips(library).size(), 1);
    EXPECT_EQ(listClips(library)[0].id, kept);
}

TEST_F(ClipLibraryTest, UnsafeIdentifiersNameNoClip) {
    auto library = makeLibrary();
    writeBytes(
        root / "staging" / "manifest.json",
        R"({"text":"x","words":[],"chunks":[],"totalDuration":0,"createdAt":0,"voiceID":"v"})");
    fs::copy(root / "staging" / "manifest.json", folder.path() / "Parlino" / "manifest.json");
    writeBytes(folder.path() / "outside" / "manifest.json", "{}");

    for (const char* raw : {"", ".", "..", "staging", "../outside", "/tmp", "a\\b"}) {
        const ClipID id{QString::fromUtf8(raw)};
        EXPECT_FALSE(id.isValid()) << raw;
        EXPECT_EQ(library.load(id), std::nullopt) << raw;
        library.deleteClip(id);
    }
    EXPECT_TRUE(listClips(library).isEmpty());
    EXPECT_TRUE(fs::exists(root / "staging" / "manifest.json"));
    EXPECT_TRUE(fs::exists(folder.path() / "outside" / "manifest.json"));
    EXPECT_TRUE(ClipID{QStringLiteral("clip-20260105T134501123Z-9f03c2ab")}.isValid());
}

TEST_F(ClipLibraryTest, ChunkFileNamesThatLeaveTheClipMakeItUnreadable) {
    auto library = makeLibrary();
    writeBytes(folder.path() / "secret.mp3", "secret");
    writeBytes(root / "evil" / "manifest.json",
               R"({"text":"x","words":[],"chunks":[{"fileName":"../../secret.mp3",)"
               R"("sizeBytes":99,"duration":1}],"totalDuration":1,"createdAt":0,"voiceID":"v"})");

    EXPECT_EQ(library.load({QStringLiteral("evil")}), std::nullopt);
    EXPECT_TRUE(listClips(library).isEmpty());
    EXPECT_TRUE(fs::exists(root / "evil"));
    EXPECT_EQ(readBytes(folder.path() / "secret.mp3"), "secret");
}

TEST_F(ClipLibraryTest, ANonFiniteNumberFailsTheSaveWithoutPublishing) {
    auto library = makeLibrary();
    const auto infinite = library.save(text, {{"a", std::numeric_limits<double>::infinity()}},
                                       words, QStringLiteral("v"), std::nullopt);
    const auto overflowing = library.save(text, {{"a", 1.5e308}, {"b", 1.5e308}}, words,
                                          QStringLiteral("v"), std::nullopt);
    // A word far down a long read: much of the manifest is written by the time it is met.
    Core::TimedWords longRead;
    for (int i = 0; i < 3000; ++i)
        longRead.append(
            {QStringLiteral("word"), {i, i + 1}, i < 2999 ? i * 0.5 : std::nan(""), 1e9});
    const auto lateWord =
        library.save(text, audioChunks(3, 10), longRead, QStringLiteral("v"), std::nullopt);

    EXPECT_EQ(infinite, std::nullopt);
    EXPECT_EQ(overflowing, std::nullopt);
    EXPECT_EQ(lateWord, std::nullopt);
    EXPECT_TRUE(logs.contains(QStringLiteral("save failed: non-finite number chunkCount=1")));
    EXPECT_TRUE(logs.contains(QStringLiteral("save failed: non-finite number chunkCount=2")));
    EXPECT_TRUE(logs.contains(QStringLiteral("save failed: non-finite number chunkCount=3")));
    EXPECT_TRUE(listClips(library).isEmpty());
    EXPECT_EQ(names(root), std::vector<std::string>{"staging"});
    EXPECT_EQ(names(root / "staging"), std::vector<std::string>{}); // no build left behind
    makeLibrary();
    EXPECT_EQ(names(root), std::vector<std::string>{});
}

// MARK: Saving in the background

TEST_F(ClipLibraryTest, AClipSavedInTheBackgroundIsListedOnceWrittenAndListingsWaitForIt) {
    auto library = makeLibrary();
    ASSERT_TRUE(listClips(library).isEmpty());
    const auto chunks = audioChunks(2, 30);
    library.saveInBackground(text, chunks, words, QStringLiteral("voice-1"), std::nullopt);
    EXPECT_TRUE(library.isSaving());
    QObject context;
    std::optional<QList<ClipSummary>> listed;
    std::optional<QList<ClipSummary>> refreshed;
    library.whenListed(&context, [&] { listed = library.clips(); });
    library.refresh(&context, [&] { refreshed = library.clips(); });
    EXPECT_FALSE(listed);

    ASSERT_TRUE(TestSupport::pumpUntil([&] { return listed && refreshed; }));
    ASSERT_EQ(listed->size(), 1);
    EXPECT_EQ(refreshed, listed);
    EXPECT_FALSE(library.isSaving());
    const auto clip = makeLibrary().load(listed->first().id);
    ASSERT_TRUE(clip);
    EXPECT_EQ(*clip, (ClipLibrary::Clip{text, QStringLiteral("voice-1"), chunks, words}));
}

TEST_F(ClipLibraryTest, ALibraryGoingAwayFinishesItsSaves) {
    makeLibrary().saveInBackground(text, audioChunks(1, 30), words, QStringLiteral("voice-1"),
                                   std::nullopt);
    auto library = makeLibrary();
    const auto clips = listClips(library);
    ASSERT_EQ(clips.size(), 1);
    EXPECT_TRUE(library.load(clips.first().id));
}

} // namespace

// Listing reads only what a summary needs, yet must list exactly the clips that load.
TEST_F(ClipLibraryTest, ListsExactlyTheClipsThatLoad) {
    const auto loadable = Base::Json::parse(
        R"({"text":"Hi there","words":[{"word":"Hi","range":[0,2],"start":0,"end":0.5}],)"
        R"("chunks":[{"fileName":"chunk-0.mp3","sizeBytes":3,"duration":1.5}],)"
        R"("totalDuration":1.5,"createdAt":5,"voiceID":"v"})");
    ASSERT_TRUE(loadable);
    // Changes to the loadable manifest as JSON patches, and whether the clip still loads.
    const std::pair<const char*, bool> patches[] = {
        {R"([])", true},
        {R"([{"op":"add","path":"/modelID","value":null}])", true},
        {R"([{"op":"add","path":"/modelID","value":"m"}])", true},
        {R"([{"op":"add","path":"/extra","value":{"text":5,"words":[1]}},)"
         R"({"op":"add","path":"/words/0/note","value":[{"end":"x"}]},)"
         R"({"op":"add","path":"/chunks/0/range","value":"x"},)"
         R"({"op":"replace","path":"/chunks/0/sizeBytes","value":3.0},)"
         R"({"op":"replace","path":"/words/0/range/0","value":0.0}])",
         true},
        {R"([{"op":"replace","path":"/words","value":[]},)"
         R"({"op":"replace","path":"/chunks","value":[]}])",
         true},
        {R"([{"op":"replace","path":"/text","value":5}])", false},
        {R"([{"op":"remove","path":"/text"}])", false},
        {R"([{"op":"replace","path":"/createdAt","value":"5"}])", false},
        {R"([{"op":"remove","path":"/totalDuration"}])", false},
        {R"([{"op":"replace","path":"/totalDuration","value":null}])", false},
        {R"([{"op":"replace","path":"/voiceID","value":["v"]}])", false},
        {R"([{"op":"remove","path":"/voiceID"}])", false},
        {R"([{"op":"add","path":"/modelID","value":3}])", false},
        {R"([{"op":"add","path":"/modelID","value":{}}])", false},
        {R"([{"op":"remove","path":"/words"}])", false},
        {R"([{"op":"replace","path":"/words","value":{}}])", false},
        {R"([{"op":"replace","path":"/words/0","value":5}])", false},
        {R"([{"op":"remove","path":"/words/0/end"}])", false},
        {R"([{"op":"replace","path":"/words/0/word","value":null}])", false},
        {R"([{"op":"replace","path":"/words/0/range","value":[2,0]}])", false},
        {R"([{"op":"replace","path":"/words/0/range","value":[0,1,2]}])", false},
        {R"([{"op":"replace","path":"/words/0/range/1","value":1.5}])", false},
        {R"([{"op":"replace","path":"/chunks","value":null}])", false},
        {R"([{"op":"remove","path":"/chunks"}])", false},
        {R"([{"op":"remove","path":"/chunks/0/duration"}])", false},
        {R"([{"op":"replace","path":"/chunks/0/sizeBytes","value":1.5}])", false},
        {R"([{"op":"replace","path":"/chunks/0/fileName","value":"../chunk-0.mp3"}])", false},
        {R"([{"op":"replace","path":"/chunks/0/fileName","value":7}])", false},
    };
    const QByteArray loadableText = QByteArray::fromStdString(loadable->dump());
    std::vector<std::pair<QByteArray, bool>> manifests{
        // A repeated key: which of its values counts would be up to the reader.
        {loadableText.chopped(1) + R"(,"text":"Later"})", false},
        {loadableText + " x", false},
        {loadableText.left(loadableText.size() / 2), false},
        {"[]", false},
    };
    for (const auto& [patch, loads] : patches) {
        const auto changes = Base::Json::parse(patch);
        ASSERT_TRUE(changes) << patch;
        manifests.emplace_back(QByteArray::fromStdString(loadable->patch(*changes).dump()), loads);
    }
    auto library = makeLibrary();
    for (std::size_t i = 0; i < manifests.size(); ++i) {
        const fs::path clip = root / ("case-" + std::to_string(i));
        writeBytes(clip / "manifest.json", manifests[i].first);
        writeBytes(clip / "chunk-0.mp3", "abc");
    }

    QHash<QString, ClipSummary> listed;
    for (const auto& summary : listClips(library))
        listed.insert(summary.id.rawValue, summary);
    for (std::size_t i = 0; i < manifests.size(); ++i) {
        const auto& [manifest, loads] = manifests[i];
        const ClipID id{QStringLiteral("case-%1").arg(i)};
        EXPECT_EQ(listed.contains(id.rawValue), loads) << manifest.toStdString();
        EXPECT_EQ(library.load(id).has_value(), loads) << manifest.toStdString();
    }
    EXPECT_EQ(listed.value(QStringLiteral("case-4")),
              (ClipSummary{{QStringLiteral("case-4")}, "Hi there", Base::Date{5}, 1.5}));
}
