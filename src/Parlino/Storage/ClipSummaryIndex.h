#pragma once

#include "Parlino/Storage/ClipSummary.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <filesystem>

namespace Parlino {

// A listed clip's summary with the size and modification time of the manifest it was read from.
struct ListedClip {
    std::filesystem::file_time_type modified;
    std::uintmax_t size = 0;
    ClipSummary summary;
};

// The summaries of the listed clips, kept beside them in one file so that a new run lists its
// clips without reading every manifest: a header line, then one line of tab-separated fields for
// each clip. The library trusts a line only while its clip's manifest keeps the size and time the
// line names; a damaged line is skipped, and its clip read from its manifest again. A save
// appends a line; a list that found the file out of date writes it anew.
class ClipSummaryIndex final {
public:
    struct Contents {
        QHash<QString, ListedClip> clips; // the well-formed lines, by folder name
        qsizetype lines = 0;              // every line, damaged ones included
    };

    explicit ClipSummaryIndex(std::filesystem::path file);

    // Nothing when the file is missing or unreadable.
    Contents read() const;
    void append(const ListedClip& clip) const;
    // Replaces the file with one line for each clip, published with one rename.
    void rewrite(const QHash<QString, ListedClip>& clips) const;

private:
    std::filesystem::path m_file;
};

} // namespace Parlino
