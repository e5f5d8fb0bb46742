#pragma once

#include "Core/TimedWords.h"
#include "Parlino/Storage/ChunkFiles.h"
#include "Parlino/Storage/ManifestEvents.h"
#include "Parlino/Storage/StorageFiles.h"

#include <QList>
#include <QString>

#include <filesystem>
#include <optional>

namespace Parlino {

// The contents of a cache entry's "manifest.json": {"chunks": [records…], "words": [timings…]}.
struct CacheManifest {
    QList<ChunkFiles::Record> chunks;
    Core::TimedWords words;
    friend bool operator==(const CacheManifest&, const CacheManifest&) = default;

    // Writes the manifest into the new file `name` in `folder` a piece at a time, its words one
    // after another: a long read's timings never stand in memory as a document tree or as text.
    // What failed (StorageFiles::writeFile).
    std::optional<StorageFiles::WriteFailure> write(const Base::Files::Folder& folder,
                                                    const std::filesystem::path& name) const;

    // Reads the file a piece at a time straight into records and timings (ManifestEvents). It
    // accepts what the records' and timings' own fromJson accept: keys in any order, unknown keys
    // ignored, whole numbers written with a fraction, plain chunk file names only.
    static ManifestRead<CacheManifest> read(const std::filesystem::path& file);
    // Only the chunk records, read up to the end of their array: what follows is not looked at.
    static ManifestRead<QList<ChunkFiles::Record>> readChunks(const std::filesystem::path& file);
};

} // namespace Parlino
