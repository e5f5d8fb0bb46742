#pragma once

#include "Base/Folder.h"
#include "Base/Json.h"
#include "Base/Result.h"
#include "Parlino/Storage/AudioChunk.h"

#include <QList>
#include <QString>

#include <filesystem>
#include <optional>
#include <system_error>

// The chunk files of a store entry ("chunk-0.mp3", "chunk-1.mp3", …) and their records in the
// entry's manifest.
namespace Parlino::ChunkFiles {

// {"fileName": …, "sizeBytes": …, "duration": …}
struct Record {
    QString fileName;
    qint64 sizeBytes = 0;
    double duration = 0;
    friend bool operator==(const Record&, const Record&) = default;

    Base::Json::Value toJson() const;
    // Requires all three keys; a file name that is not a plain name is refused.
    static Base::Json::Read<Record> fromJson(const Base::Json::Value& json);
};

Base::Json::Value toJson(const QList<Record>& records);
Base::Json::Read<QList<Record>> recordsFromJson(const Base::Json::Value& json);

// A chunk file name from a manifest, refused unless it is a plain name inside the entry folder.
Base::Json::Read<QString> fileNameFromJson(const Base::Json::Value& record);

// Writes each chunk to "chunk-<index>.mp3" in `folder`; stops at the first failure. A chunk kept
// in a file is linked rather than copied: the stores never change a chunk file once written.
Base::Result<QList<Record>, std::error_code> write(const Base::Files::Folder& folder,
                                                   const QList<AudioChunk>& chunks);

// Why the chunk files of a manifest could not be read back.
enum class ReadFailure {
    damaged,    // a file is missing or its size differs from its record
    foreign,    // a file is not the entry's own regular file: a link, a pipe, a device
    unreadable, // a file is there but could not be read
};

Base::Result<QList<AudioChunk>, ReadFailure> read(const std::filesystem::path& folder,
                                                  const QList<Record>& records);

// Whether the record's file is there as read would find it, without reading it; nothing when it
// is.
std::optional<ReadFailure> check(const std::filesystem::path& folder, const Record& record);

// Checks every file as `check` does and defers reading it to each use; a file that has changed by
// then reads as empty audio.
Base::Result<QList<AudioChunk>, ReadFailure> readOnUse(const std::filesystem::path& folder,
                                                       const QList<Record>& records);

} // namespace Parlino::ChunkFiles
