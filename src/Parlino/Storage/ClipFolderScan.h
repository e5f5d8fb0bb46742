#pragma once

#include "Parlino/Storage/ClipSummaryIndex.h"

#include <QHash>
#include <QString>

#include <filesystem>
#include <optional>

// Finds the clips of a clip library on disk: every clip folder whose manifest reads and whose
// chunk files are there as loading needs them. A clip already known keeps its summary while its
// folder is a real folder of its own and it and its manifest keep the stamps they had; any other
// clip's manifest is read. Touches no state of its own: safe on any thread.
namespace Parlino::ClipFolderScan {

struct Result {
    QHash<QString, ListedClip> clips; // by folder name
    bool readManifests = false;       // some listed clip was not known, or had changed
};

// Every clip under `root`.
Result run(const std::filesystem::path& root, const QHash<QString, ListedClip>& known);

// The clip `id` under `root`; nothing when it would not load. `fromManifest` tells whether its
// manifest had to be read.
std::optional<ListedClip> look(const std::filesystem::path& root, const ClipID& id,
                               const QHash<QString, ListedClip>& known, bool& fromManifest);

// The clip of `summary` just published under `root` from what was written, with the stamps its
// folder and manifest have now; nothing when they are not a real folder and manifest.
std::optional<ListedClip> written(const std::filesystem::path& root, ClipSummary summary);

// A clip's preview of its text: the first 200 user-perceived characters.
QString previewOf(const QString& text);

} // namespace Parlino::ClipFolderScan
