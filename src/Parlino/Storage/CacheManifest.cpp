#include "Parlino/Storage/CacheManifest.h"

#include "Parlino/Storage/ManifestEvents.h"

namespace Parlino {

namespace {

// The manifest with its words left null.
Base::Json::Value outline(const QList<ChunkFiles::Record>& chunks) {
    Base::Json::Value json = Base::Json::Value::object();
    json["chunks"] = ChunkFiles::toJson(chunks);
    json["words"] = nullptr;
    return json;
}

} // namespace

Base::Json::Value CacheManifest::toJson() const {
    Base::Json::Value json = outline(chunks);
    json["words"] = Core::toJson(words);
    return json;
}

Base::Json::Read<QByteArray> CacheManifest::encode() const {
    return Base::Json::serializeWithArray(outline(chunks), "words", words);
}

Base::Json::Read<CacheManifest> CacheManifest::decode(const QByteArray& bytes) {
    ManifestEvents events(ManifestEvents::Reading::entries);
    if (!events.parse(bytes))
        return Base::failure(Base::Json::Error{events.error});
    return CacheManifest{std::move(events.chunks), std::move(events.words)};
}

Base::Json::Read<QList<ChunkFiles::Record>> CacheManifest::decodeChunks(const QByteArray& bytes) {
    ManifestEvents events(ManifestEvents::Reading::chunksOnly);
    if (!events.parse(bytes))
        return Base::failure(Base::Json::Error{events.error});
    return std::move(events.chunks);
}

} // namespace Parlino
