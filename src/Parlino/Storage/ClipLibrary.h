#pragma once

#include "Base/Worker.h"
#include "Core/TimedWords.h"
#include "Parlino/Storage/AudioChunk.h"
#include "Parlino/Storage/ClipFolderScan.h"
#include "Parlino/Storage/ClipSummary.h"
#include "Parlino/Storage/ClipSummaryIndex.h"
#include "Parlino/Storage/StorageFiles.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>

namespace Parlino {

// The saved clips: one folder per clip under the root, named "clip-<UTC stamp>-<8 hex digits>",
// holding the chunk files and "manifest.json". A clip is built under "staging" and published
// with one rename; it is never changed in place. The library keeps the listing of its clips in
// memory, updated at once by its own saves and deletions; the folder is listed off the main
// thread, at first and whenever a caller asks for the changes made by others. The clips'
// summaries are kept beside them in "summaries.tsv" (see ClipSummaryIndex) so that a run's first
// listing need not read every manifest. Everything below the root is reached without following a
// link (Base::Files::Folder). Belongs to the main thread; saves made in the background
// are written on the stores' background writer, which the library waits for when it goes.
class ClipLibrary final {
public:
    struct Clip {
        QString text;
        QString voiceID;
        QList<AudioChunk> chunks;
        Core::TimedWords words;
        friend bool operator==(const Clip&, const Clip&) = default;
    };

    // "Parlino/clips" in the user's data folder.
    static std::filesystem::path defaultRoot();

    // Removes the leftovers of saves that never finished and makes sure the root exists.
    explicit ClipLibrary(std::filesystem::path root,
                         StorageFiles::DateSource now = &Base::Date::now);
    // Waits for a listing and the saves still running, and lists the saved clips.
    ~ClipLibrary();
    // Waits up to `bound` for the saves still running, listing those that are written; whether
    // none is left.
    bool finishSaves(std::chrono::milliseconds bound);
    ClipLibrary(const ClipLibrary&) = delete;
    ClipLibrary& operator=(const ClipLibrary&) = delete;

    const std::filesystem::path& root() const { return m_root; }

    // Publishes a new clip; nothing when the save failed (logged).
    std::optional<ClipID> save(const QString& text, const QList<AudioChunk>& chunks,
                               const Core::TimedWords& words, const QString& voiceID,
                               const std::optional<QString>& modelID);
    // Saves as `save` does, with the clip written off the main thread; it is listed once written.
    // The words are read on the writer from a copy, which shares them.
    void saveInBackground(const QString& text, const QList<AudioChunk>& chunks,
                          const Core::TimedWords& words, const QString& voiceID,
                          const std::optional<QString>& modelID);
    bool isSaving() const { return m_savesRunning > 0; }
    // Called on the main thread when a clip could not be saved (logged, with its cause).
    std::function<void(const StorageFiles::WriteFailure&)> onSaveFailed;
    // Every clip that loads as last listed, newest first, with this run's saves and deletions
    // since; before the first listing is in, this run's saves alone.
    const QList<ClipSummary>& clips() const { return m_clips; }
    bool isListed() const { return m_isListed; }
    // Lists the folder again off the main thread, for changes made by others, and calls `done`
    // (when given and `context` still exists) once `clips` holds them and the saves running in the
    // background. Requests made while a listing runs share the one that follows it.
    void refresh(QObject* context = nullptr, std::function<void()> done = {});
    // Calls `ready` once the first listing is in and the saves running in the background are
    // listed (at once when they are), while `context` exists; starts the listing when none runs.
    void whenListed(QObject* context, std::function<void()> ready);
    // A clip whose chunk file is missing or of the wrong size is removed; any other failure
    // only gives nothing. A clip that does not load leaves the listing.
    std::optional<Clip> load(const ClipID& id);
    void deleteClip(const ClipID& id);

private:
    struct Waiter {
        QPointer<QObject> context;
        std::function<void()> done;
    };
    struct Listing {
        ClipFolderScan::Result scan;
        qsizetype indexLines = 0;
    };

    Base::Date nextCreatedAt();
    // Calls `ready` once no save runs in the background, while `context` exists.
    void whenSaved(QObject* context, std::function<void()> ready);
    void noteSaved(const ClipID& id, std::optional<ListedClip> listed, bool indexAppended);
    void startListing();
    void finishListing(Listing listing);
    // Applies a change made by this run to the listing: the clip's new listing, or its removal.
    void note(const ClipID& id, std::optional<ListedClip> listed);
    void sortClips();

    std::filesystem::path m_root;
    StorageFiles::DateSource m_now;
    Base::Date m_lastAssignedCreatedAt = StorageFiles::distantPast;
    ClipSummaryIndex m_index;
    QHash<QString, ListedClip> m_listed; // by folder name
    QList<ClipSummary> m_clips;          // m_listed, newest first
    bool m_isListed = false;
    qsizetype m_indexLines = -1; // lines in the index file; -1 before it was read
    // This run's changes while a listing runs, applied over its result.
    QHash<QString, std::optional<ListedClip>> m_changesWhileListing;
    QList<Waiter> m_waiting;     // for the listing that runs
    QList<Waiter> m_waitingNext; // for the one after it
    bool m_isListing = false;
    QList<Waiter> m_waitingForSaves;
    qsizetype m_savesRunning = 0;
    QObject m_receiver;    // where a listing or a save hands its result to the main thread
    Base::Worker m_writer; // saves, one at a time
    Base::Worker m_lister; // declared last with m_writer: both joined before anything they use goes
};

} // namespace Parlino
