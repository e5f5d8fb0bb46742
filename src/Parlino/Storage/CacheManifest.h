#pragma once

#include "Base/Json.h"
#include "Core/WordTiming.h"
#include "Parlino/Storage/ChunkFiles.h"

#include <QByteArray>
#include <QList>

namespace Parlino {

// The contents of a cache entry's "manifest.json": {"chunks": [records…], "words": [timings…]}.
struct CacheManifest {
    QList<ChunkFiles::Record> chunks;
    QList<Core::WordTiming> words;
    friend bool operator==(const CacheManifest&, const CacheManifest&) = default;

    Base::Json::Value toJson() const;
    // The text of toJson(), its words written one at a time: a long read's timings never stand
    // in memory as a document tree.
    Base::Json::Read<QByteArray> encode() const;

    // Reads the text straight into records and timings, with no document tree in between. It
    // accepts what the records' and timings' own fromJson accept: keys in any order, unknown keys
    // ignored, whole numbers written with a fraction, plain chunk file names only.
    static Base::Json::Read<CacheManifest> decode(const QByteArray& bytes);
    // Only the chunk records, read up to the end of their array: what follows is not looked at.
    static Base::Json::Read<QList<ChunkFiles::Record>> decodeChunks(const QByteArray& bytes);
};

} // namespace Parlino
