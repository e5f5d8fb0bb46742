// A cache entry's manifest: the streaming read agrees with the records' and timings' own readers
// over a parsed document, the chunks-only read of the launch reconcile judges the same chunk list,
// and what reads writes back to a manifest that reads the same.
#include "Parlino/Storage/CacheManifest.h"
#include "fuzz/FuzzInput.h"

namespace {

using Parlino::CacheManifest;

// The manifest as the tree readers see it; nothing when any of them refuses it.
std::optional<CacheManifest> readAsTree(const QByteArray& bytes) {
    const auto document = Base::Json::parse(bytes);
    if (!document || !document->is_object() || !document->contains("chunks") ||
        !document->contains("words"))
        return std::nullopt;
    auto chunks = Parlino::ChunkFiles::recordsFromJson(document->at("chunks"));
    auto words = Core::wordTimingsFromJson(document->at("words"));
    if (!chunks || !words)
        return std::nullopt;
    return CacheManifest{std::move(chunks).value(), std::move(words).value()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = Fuzz::bytes(data, size);
    const auto manifest = CacheManifest::decode(bytes);
    const auto tree = readAsTree(bytes);
    Fuzz::require(manifest.hasValue() == tree.has_value());
    if (!manifest)
        return 0;
    Fuzz::require(*manifest == *tree);
    const auto chunks = CacheManifest::decodeChunks(bytes);
    Fuzz::require(chunks && *chunks == manifest->chunks);
    for (const auto& word : manifest->words)
        Fuzz::require(word.range.lower <= word.range.upper);

    // A timing that is not finite cannot be written; everything else reads back the same.
    const auto written = Base::Json::serialize(manifest->toJson());
    if (written) {
        const auto again = CacheManifest::decode(*written);
        Fuzz::require(again && *again == *manifest);
    }
    return 0;
}
