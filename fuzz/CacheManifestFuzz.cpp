// A cache entry's manifest: the whole read and the chunks-only read of the launch reconcile judge
// the same chunk list.
#include "Parlino/Storage/CacheManifest.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = Fuzz::bytes(data, size);
    const auto manifest = Parlino::CacheManifest::decode(bytes);
    const auto chunks = Parlino::CacheManifest::decodeChunks(bytes);
    if (manifest)
        Fuzz::require(chunks && *chunks == manifest->chunks);
    return 0;
}
