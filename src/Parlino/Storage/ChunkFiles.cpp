#include "Parlino/Storage/ChunkFiles.h"

#include "Base/Files.h"
#include "Parlino/Storage/StorageFiles.h"

namespace Parlino::ChunkFiles {

using Base::Json::Error;
using Base::Json::Value;

namespace {

ReadFailure failureOf(const std::error_code& error) {
    if (error == std::errc::no_such_file_or_directory || error == std::errc::file_too_large)
        return ReadFailure::damaged;
    return Base::Files::isRefused(error) ? ReadFailure::foreign : ReadFailure::unreadable;
}

// A chunk kept in a file of its own is linked, which takes no time whatever its size; one in
// memory, or in a file that cannot be linked from here (another file system), is written.
std::error_code writeChunk(const Base::Files::Folder& folder, const std::filesystem::path& name,
                           const AudioChunk& chunk) {
    if (const auto& source = chunk.audio.file()) {
        // Only the regular file the bytes were kept in: a link put in its place is not published.
        const auto error = Base::Files::linkRegular(*source, chunk.audio.size(), folder, name);
        if (!error ||
            (error != std::errc::cross_device_link && error != std::errc::operation_not_permitted))
            return error;
    }
    const QByteArray bytes = chunk.audio.bytes();
    if (bytes.size() != chunk.audio.size())
        return std::make_error_code(std::errc::io_error);
    return StorageFiles::writeFile(folder, name, bytes);
}

} // namespace

Value Record::toJson() const {
    Value json = Value::object();
    json["fileName"] = fileName;
    json["sizeBytes"] = sizeBytes;
    json["duration"] = duration;
    return json;
}

Base::Json::Read<Record> Record::fromJson(const Value& json) {
    auto fileName = fileNameFromJson(json);
    auto sizeBytes = Base::Json::require<qint64>(json, "sizeBytes");
    auto duration = Base::Json::require<double>(json, "duration");
    if (auto error = Base::Json::firstError(fileName, sizeBytes, duration))
        return Base::failure(*error);
    return Record{*fileName, *sizeBytes, *duration};
}

Value toJson(const QList<Record>& records) {
    return Base::Json::toJsonArray(records);
}

Base::Json::Read<QList<Record>> recordsFromJson(const Value& json) {
    return Base::Json::arrayOf<Record>(json, &Record::fromJson);
}

Base::Json::Read<QString> fileNameFromJson(const Value& record) {
    auto fileName = Base::Json::require<QString>(record, "fileName");
    if (fileName && !StorageFiles::isPlainName(*fileName))
        return Base::failure(Error{QStringLiteral("chunk file name is not a plain name")});
    return fileName;
}

Base::Result<QList<Record>, std::error_code> write(const Base::Files::Folder& folder,
                                                   const QList<AudioChunk>& chunks) {
    QList<Record> records;
    for (qsizetype i = 0; i < chunks.size(); ++i) {
        const QString fileName = QStringLiteral("chunk-%1.mp3").arg(i);
        if (const auto error = writeChunk(folder, fileName.toStdString(), chunks[i]))
            return Base::failure(error);
        records.append({fileName, chunks[i].audio.size(), chunks[i].duration});
    }
    return records;
}

Base::Result<QList<AudioChunk>, ReadFailure> read(const std::filesystem::path& folder,
                                                  const QList<Record>& records) {
    QList<AudioChunk> chunks;
    for (const auto& record : records) {
        auto bytes = StorageFiles::readFile(folder / StorageFiles::toPath(record.fileName));
        if (!bytes)
            return Base::failure(failureOf(bytes.error()));
        if (bytes->size() != record.sizeBytes)
            return Base::failure(ReadFailure::damaged);
        chunks.append({std::move(bytes).value(), record.duration});
    }
    return chunks;
}

std::optional<ReadFailure> check(const std::filesystem::path& folder, const Record& record) {
    namespace fs = std::filesystem;
    const fs::path file = folder / StorageFiles::toPath(record.fileName);
    std::error_code error;
    const fs::file_status status = fs::symlink_status(file, error);
    if (status.type() == fs::file_type::not_found)
        return ReadFailure::damaged;
    if (error)
        return ReadFailure::unreadable;
    // A link, even to a file of the right size elsewhere, is not the entry's own chunk.
    if (status.type() != fs::file_type::regular)
        return ReadFailure::foreign;
    const auto size = fs::file_size(file, error);
    if (error)
        return ReadFailure::unreadable;
    if (qint64(size) != record.sizeBytes)
        return ReadFailure::damaged;
    return std::nullopt;
}

Base::Result<QList<AudioChunk>, ReadFailure> readOnUse(const std::filesystem::path& folder,
                                                       const QList<Record>& records) {
    QList<AudioChunk> chunks;
    chunks.reserve(records.size());
    for (const auto& record : records) {
        if (const auto failure = check(folder, record))
            return Base::failure(*failure);
        chunks.append({Base::LazyBytes::inFile(folder / StorageFiles::toPath(record.fileName),
                                               record.sizeBytes),
                       record.duration});
    }
    return chunks;
}

} // namespace Parlino::ChunkFiles
