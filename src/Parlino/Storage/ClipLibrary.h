#pragma once

#include "Core/WordTiming.h"
#include "Parlino/Storage/AudioChunk.h"
#include "Parlino/Storage/ClipSummary.h"
#include "Parlino/Storage/ClipSummaryIndex.h"
#include "Parlino/Storage/StorageFiles.h"

#include <QHash>
#include <QList>
#include <QString>

#include <filesystem>
#include <optional>

namespace Parlino {

// The saved clips: one folder per clip under the root, named "clip-<UTC stamp>-<8 hex digits>",
// holding the chunk files and "manifest.json". A clip is built under "staging" and published
// with one rename; it is never changed in place. The clips' summaries are kept beside them in
// "summaries.tsv" (see ClipSummaryIndex). Belongs to the main thread.
class ClipLibrary final {
public:
    struct Clip {
        QString text;
        QString voiceID;
        QList<AudioChunk> chunks;
        QList<Core::WordTiming> words;
        friend bool operator==(const Clip&, const Clip&) = default;
    };

    // "Parlino/clips" in the user's data folder.
    static std::filesystem::path defaultRoot();

    // Removes the leftovers of saves that never finished and makes sure the root exists.
    explicit ClipLibrary(std::filesystem::path root,
                         StorageFiles::DateSource now = &Base::Date::now);

    const std::filesystem::path& root() const { return m_root; }

    // Publishes a new clip; nothing when the save failed (logged).
    std::optional<ClipID> save(const QString& text, const QList<AudioChunk>& chunks,
                               const QList<Core::WordTiming>& words, const QString& voiceID,
                               const std::optional<QString>& modelID);
    // Every readable clip, newest first. A clip's manifest is read once: later lists, and the
    // first list of a later run through the summary index, take its summary from memory while
    // the manifest's size and modification time stay the same.
    QList<ClipSummary> list() const;
    // A clip whose chunk file is missing or of the wrong size is removed; any other failure
    // only gives nothing.
    std::optional<Clip> load(const ClipID& id);
    void deleteClip(const ClipID& id);

private:
    Base::Date nextCreatedAt();

    // The clip's summary, from memory while its manifest is unchanged; nothing when it is not
    // readable. `fromManifest` tells whether the manifest had to be read. Safe to call from
    // several threads at once.
    std::optional<ListedClip> listing(const ClipID& id, bool& fromManifest) const;

    std::filesystem::path m_root;
    StorageFiles::DateSource m_now;
    Base::Date m_lastAssignedCreatedAt = StorageFiles::distantPast;
    ClipSummaryIndex m_index;
    // By folder name, as of the last list (or of the index, before the first).
    mutable QHash<QString, ListedClip> m_listed;
    mutable qsizetype m_indexLines = -1; // lines in the index file; -1 before it was read
};

} // namespace Parlino
