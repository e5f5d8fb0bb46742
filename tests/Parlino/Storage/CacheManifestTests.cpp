#include "Parlino/Storage/CacheManifest.h"

#include "Parlino/Storage/StorageTesting.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

using namespace Parlino;
using namespace StorageTesting;

namespace {

// What the tree-based readers make of the same text: the reference the manifest reader keeps to.
std::optional<CacheManifest> treeRead(const QByteArray& text) {
    const auto json = Base::Json::parse(text);
    if (!json || !json->is_object() || !json->contains("chunks") || !json->contains("words"))
        return std::nullopt;
    auto chunks = ChunkFiles::recordsFromJson((*json)["chunks"]);
    auto words = Core::wordTimingsFromJson((*json)["words"]);
    if (!chunks || !words)
        return std::nullopt;
    return CacheManifest{*chunks, Core::TimedWords(*words)};
}

// The text as a manifest file.
fs::path manifestFile(const QByteArray& text) {
    static const TemporaryFolder folder;
    const fs::path file = folder.path() / "manifest.json";
    writeBytes(file, text);
    return file;
}

std::optional<CacheManifest> streamRead(const QByteArray& text) {
    auto read = CacheManifest::read(manifestFile(text));
    return read ? std::optional(std::move(read).value()) : std::nullopt;
}

TEST(CacheManifest, WrittenManifestIsTheDocumentsTextAndReadsBackWhole) {
    QList<Core::WordTiming> words{{QStringLiteral("Grüße,"), {0, 6}, 0.05, 0.42},
                                  {QStringLiteral("\"quoted\"\\"), {7, 17}, 0.5, 0.96},
                                  {QStringLiteral("😀"), {-3, 9007199254740993}, -1e-300, 1e300}};
    // Enough words for the text to cross the writer's and the reader's buffers many times.
    for (qint64 i = 0; i < 5000; ++i)
        words.append(
            {QStringLiteral("word%1").arg(i % 700), {i * 6, i * 6 + 5}, i * 0.3, i * 0.3 + 0.25});
    const CacheManifest manifest{
        {{QStringLiteral("chunk-0.mp3"), 716800, 41.25}, {QStringLiteral("chunk-1.mp3"), 3, 0.5}},
        Core::TimedWords(words)};
    const TemporaryFolder folder;
    const fs::path file = folder.path() / "manifest.json";
    ASSERT_FALSE(manifest.write(Base::Files::Folder::open(folder.path()).value(), "manifest.json"));

    Base::Json::Value document = Base::Json::Value::object();
    document["chunks"] = ChunkFiles::toJson(manifest.chunks);
    document["words"] = Core::toJson(words);
    EXPECT_EQ(readBytes(file), Base::Json::serialize(document).value());
    const auto read = CacheManifest::read(file);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, manifest);
}

TEST(CacheManifest, AcceptsAndRefusesWhatTheTreeReadersDo) {
    const char* const texts[] = {
        // accepted
        R"({"chunks":[],"words":[]})",
        R"( { "words" : [ ] , "chunks" : [ ] } )",
        R"({"x":{"chunks":5,"words":[[1]]},"chunks":[{"duration":1,"sizeBytes":2.0,)"
        R"("fileName":"a.mp3","range":[9,1],"extra":[{"word":1}]}],"words":[{"end":2,)"
        R"("start":1,"range":[1e0,2],"word":"w","fileName":"../x","more":null}],"y":[]})",
        // refused
        R"({"chunks":[{"fileName":"a","sizeBytes":1,"duration":1}],"words":[],)"
        R"("chunks":[{"fileName":"b","sizeBytes":2,"duration":2}]})",
        R"({"chunks":[5],"words":[],"chunks":[]})",
        R"({"chunks":[],"words":[],"x":{"y":1,"y":2}})",
        R"({"chunks":[{"fileName":"a","sizeBytes":1,"duration":1,"sizeBytes":1}],"words":[]})",
        R"([])",
        R"("chunks")",
        R"({"chunks":[]})",
        R"({"words":[]})",
        R"({"chunks":{},"words":[]})",
        R"({"chunks":null,"words":[]})",
        R"({"chunks":[],"words":[5]})",
        R"({"chunks":[[]],"words":[]})",
        R"({"chunks":[{"fileName":"a/b","sizeBytes":1,"duration":1}],"words":[]})",
        R"({"chunks":[{"fileName":"..","sizeBytes":1,"duration":1}],"words":[]})",
        R"({"chunks":[{"fileName":"a","sizeBytes":1.5,"duration":1}],"words":[]})",
        R"({"chunks":[{"fileName":"a","sizeBytes":1e19,"duration":1}],"words":[]})",
        R"({"chunks":[{"fileName":"a","sizeBytes":18446744073709551615,"duration":1}],)"
        R"("words":[]})",
        R"({"chunks":[{"fileName":"a","sizeBytes":1,"duration":"1"}],"words":[]})",
        R"({"chunks":[{"fileName":"a","sizeBytes":1}],"words":[]})",
        R"({"chunks":[{"fileName":7,"sizeBytes":1,"duration":1}],"words":[]})",
        R"({"chunks":[],"words":[{"word":"w","range":[2,1],"start":0,"end":1}]})",
        R"({"chunks":[],"words":[{"word":"w","range":[1,2,3],"start":0,"end":1}]})",
        R"({"chunks":[],"words":[{"word":"w","range":[1],"start":0,"end":1}]})",
        R"({"chunks":[],"words":[{"word":"w","range":[1,2.5],"start":0,"end":1}]})",
        R"({"chunks":[],"words":[{"word":"w","range":[1,[2]],"start":0,"end":1}]})",
        R"({"chunks":[],"words":[{"word":"w","range":{},"start":0,"end":1}]})",
        R"({"chunks":[],"words":[{"word":null,"range":[1,2],"start":0,"end":1}]})",
        R"({"chunks":[],"words":[{"word":"w","range":[1,2],"start":true,"end":1}]})",
        R"({"chunks":[],"words":[{"word":"w","range":[1,2],"start":0}]})",
        R"({"chunks":[],"words":[]} x)",
        R"({"chunks":[],"words":[)",
        "{\"chunks\":[],\"words\":[{\"word\":\"\xff\",\"range\":[1,2],\"start\":0,\"end\":1}]}",
        "",
    };
    int accepted = 0;
    for (const char* text : texts) {
        const auto reference = treeRead(text);
        EXPECT_EQ(streamRead(text), reference) << text;
        accepted += reference.has_value();
    }
    EXPECT_EQ(accepted, 3); // the cases above still cover both outcomes
}

std::optional<QList<ChunkFiles::Record>> chunksRead(const QByteArray& text) {
    auto read = CacheManifest::readChunks(manifestFile(text));
    return read ? std::optional(std::move(read).value()) : std::nullopt;
}

TEST(CacheManifest, ChunkRecordsAloneIgnoreWhatFollowsThem) {
    const QList<ChunkFiles::Record> records{{QStringLiteral("chunk-0.mp3"), 7, 1.5}};
    const QByteArray head =
        R"({"chunks":[{"fileName":"chunk-0.mp3","sizeBytes":7,"duration":1.5}])";
    EXPECT_EQ(chunksRead(head + R"(,"words":[]})"), records);
    EXPECT_EQ(chunksRead(head + R"(,"words":[{"wo)"), records);
    EXPECT_EQ(chunksRead(R"({"words":[],"x":1,)" + head.mid(1) + "}"), records);

    for (const char* damaged : {R"({"words":[]})", R"({"chunks":[{"fileName":"chunk-0.mp3")",
                                R"({"words":[],"words":[],"chunks":[]})",
                                R"({"chunks":[{"fileName":"a","fileName":"a","sizeBytes":1,)"
                                R"("duration":1}]})",
                                R"({"chunks":[{"fileName":"a/b","sizeBytes":1,"duration":1}]})",
                                R"({"words":[5],"chunks":[]})", ""})
        EXPECT_FALSE(chunksRead(damaged)) << damaged;
}

TEST(CacheManifest, EveryReaderDrawsTheNestingBoundAtTheSameDepth) {
    const auto withIgnoredMember = [](int depth) {
        return R"({"x":)" + QByteArray(depth, '[') + QByteArray(depth, ']') +
               R"(,"chunks":[],"words":[]})";
    };
    // The member's arrays sit inside the top object.
    const QByteArray deepest = withIgnoredMember(Base::Json::maxDepth - 1);
    EXPECT_TRUE(treeRead(deepest));
    EXPECT_TRUE(streamRead(deepest));
    EXPECT_TRUE(chunksRead(deepest));
    const QByteArray tooDeep = withIgnoredMember(Base::Json::maxDepth);
    EXPECT_FALSE(treeRead(tooDeep));
    EXPECT_FALSE(streamRead(tooDeep));
    EXPECT_FALSE(chunksRead(tooDeep));
}

} // namespace
