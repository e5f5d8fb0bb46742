// A cache entry's manifest file: the streaming read agrees with the records' and timings' own
// readers over a parsed document, the chunks-only read of the launch reconcile judges the same
// chunk list, and what reads writes back, a piece at a time, to the very text of its document,
// which reads the same.
#include "Parlino/Storage/CacheManifest.h"
#include "fuzz/FuzzInput.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

using Parlino::CacheManifest;
namespace fs = std::filesystem;

// The manifest as a document of the tree readers; nothing when any of them refuses it.
std::optional<Base::Json::Value> readAsTree(const QByteArray& bytes,
                                            std::optional<CacheManifest>& manifest) {
    auto document = Base::Json::parse(bytes);
    if (!document || !document->is_object() || !document->contains("chunks") ||
        !document->contains("words"))
        return std::nullopt;
    auto chunks = Parlino::ChunkFiles::recordsFromJson(document->at("chunks"));
    auto words = Core::wordTimingsFromJson(document->at("words"));
    if (!chunks || !words)
        return std::nullopt;
    manifest = CacheManifest{std::move(chunks).value(), Core::TimedWords(*words)};
    Base::Json::Value written = Base::Json::Value::object();
    written["chunks"] = Parlino::ChunkFiles::toJson(manifest->chunks);
    written["words"] = Core::toJson(*words);
    return written;
}

QByteArray contents(const fs::path& file) {
    QFile in(QString::fromStdString(file.string()));
    Fuzz::require(in.open(QIODevice::ReadOnly));
    return in.readAll();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir folder;
    const fs::path file = fs::path(folder.path().toStdString()) / "manifest.json";
    const fs::path rewritten = fs::path(folder.path().toStdString()) / "rewritten.json";
    const QByteArray bytes = Fuzz::bytes(data, size);
    QFile out(QString::fromStdString(file.string()));
    Fuzz::require(out.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                  out.write(bytes) == bytes.size());
    out.close();

    const auto manifest = CacheManifest::read(file);
    std::optional<CacheManifest> tree;
    const auto document = readAsTree(bytes, tree);
    Fuzz::require(manifest.hasValue() == tree.has_value());
    if (!manifest)
        return 0;
    Fuzz::require(*manifest == *tree);
    const auto chunks = CacheManifest::readChunks(file);
    Fuzz::require(chunks && *chunks == manifest->chunks);
    for (const auto& word : manifest->words)
        Fuzz::require(word.range.lower <= word.range.upper);

    // A timing that is not finite cannot be written; everything else reads back the same.
    fs::remove(rewritten);
    const auto failure = manifest->write(Base::Files::Folder::open(rewritten.parent_path()).value(),
                                         "rewritten.json");
    const auto text = Base::Json::serialize(*document);
    Fuzz::require(failure.has_value() == !text);
    if (failure)
        return 0;
    Fuzz::require(contents(rewritten) == *text);
    const auto again = CacheManifest::read(rewritten);
    Fuzz::require(again && *again == *manifest);
    return 0;
}
