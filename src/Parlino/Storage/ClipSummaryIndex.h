#pragma once

#include "Parlino/Storage/ClipSummary.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <mutex>

struct stat;

namespace Parlino {

// A file or folder as it was looked at (lstat): a later look that finds the same stamp finds it
// unchanged. Its change time moves whenever its contents or a folder's entries change, and,
// unlike its modification time, cannot be set back by anyone.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t changedNanoseconds = 0; // since 1970
    static FileStamp of(const struct stat& info);
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// A listed clip's summary with the stamps of its folder and of the manifest it was read from.
struct ListedClip {
    FileStamp folder;
    FileStamp manifest;
    ClipSummary summary;
};

// The summaries of the listed clips, kept beside them in one file so that a new run lists its
// clips without reading every manifest: a header line, then one line of tab-separated fields for
// each clip. The library trusts a line only while its clip's folder and manifest keep the stamps
// the line names; a damaged line is skipped, and its clip read from its manifest again. A save
// appends a line; a list that found the file out of date writes it anew. The file is only ever
// written as a regular file of its own: a link, a pipe or any other file in its place is replaced,
// never followed or opened. Safe to use from several threads at once.
class ClipSummaryIndex final {
public:
    struct Contents {
        QHash<QString, ListedClip> clips; // the well-formed lines, by folder name
        qsizetype lines = 0;              // every line, damaged ones included
    };

    explicit ClipSummaryIndex(std::filesystem::path file);

    // Nothing when the file is missing or unreadable.
    Contents read() const;
    // Adds the clip's line; false when the file had to be started anew, holding that line alone.
    bool append(const ListedClip& clip);
    // Replaces the file with one line for each clip.
    void rewrite(const QHash<QString, ListedClip>& clips);

private:
    void replace(const QByteArray& bytes);

    std::filesystem::path m_file;
    mutable std::mutex m_mutex; // one reader or writer at a time
};

} // namespace Parlino
