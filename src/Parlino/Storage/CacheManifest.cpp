#include "Parlino/Storage/CacheManifest.h"

#include "Parlino/Storage/StorageFiles.h"

namespace Parlino {

std::optional<StorageFiles::WriteFailure>
CacheManifest::write(const Base::Files::Folder& folder, const std::filesystem::path& name) const {
    Base::Json::Value outline = Base::Json::Value::object();
    outline["chunks"] = ChunkFiles::toJson(chunks);
    outline["words"] = nullptr;
    return StorageFiles::writeFile(folder, name, [&](const Base::Json::Output& output) {
        return Base::Json::writeWithArray(std::move(outline), "words", words, output);
    });
}

ManifestRead<CacheManifest> CacheManifest::read(const std::filesystem::path& file) {
    ManifestEvents events(ManifestEvents::Reading::entries);
    if (!events.read(file))
        return Base::failure(events.failure());
    return CacheManifest{std::move(events.chunks), std::move(events.words)};
}

ManifestRead<QList<ChunkFiles::Record>>
CacheManifest::readChunks(const std::filesystem::path& file) {
    ManifestEvents events(ManifestEvents::Reading::chunksOnly);
    if (!events.read(file))
        return Base::failure(events.failure());
    return std::move(events.chunks);
}

} // namespace Parlino
