#pragma once

#include "Base/Date.h"
#include "Base/Worker.h"
#include "Core/TimedWords.h"
#include "Parlino/Storage/AudioChunk.h"
#include "Parlino/Storage/StagedChunks.h"
#include "Parlino/Storage/StorageFiles.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>

namespace Parlino {

// The on-disk cache of finished reads, keyed by the read's cache key: under the root folder,
// "audio"/<key>/ holds the chunk files and "manifest.json"; "staging" holds entries being built.
// Capped in size, evicting the least recently stored or found entries first (recency is the
// entry folder's modification date). Everything below the root is reached without following a
// link (Base::Files::Folder). The store opens in the background: its writer walks the entries
// once, finding the damaged ones, which the instance then removes, and noting the others'
// recency and size, which the instance keeps up to date since, in recency order. Lookups do not
// wait for the walk; eviction does. Failures degrade to a miss or a skipped step; the removal of
// a damaged entry on lookup and an entry that could not be stored are logged. The instance
// belongs to the main thread. Its writer builds the entries stored in the background, removes
// what was evicted or cleared, and measures; it is the store's own and goes with it, after what
// it was writing was published.
class CacheStore final {
public:
    struct Entry {
        QList<AudioChunk> chunks;
        Core::TimedWords words;
        friend bool operator==(const Entry&, const Entry&) = default;
    };

    static constexpr qint64 defaultMaxBytes = 524288000; // 500 MiB

    // "com.parlino.app" in the user's cache folder.
    static std::filesystem::path defaultRoot();

    // Removes the staging leftovers of an earlier run, makes sure "audio" exists and starts the
    // walk of the entries.
    CacheStore(std::filesystem::path root, qint64 maxBytes,
               StorageFiles::DateSource now = &Base::Date::now);
    // Waits for the entries being stored in the background and publishes them.
    ~CacheStore();

    // Whether the walk of the entries has finished.
    bool isOpen() const { return m_isOpen; }
    // Runs `ready` with how many damaged entries the walk removed, on the main thread once it has
    // finished (at once when it has).
    void whenOpen(std::function<void(int removed)> ready);
    // Waits up to `bound` for the entries being stored in the background, publishing those that
    // are written; whether none is left.
    bool finishWrites(std::chrono::milliseconds bound);
    CacheStore(const CacheStore&) = delete;
    CacheStore& operator=(const CacheStore&) = delete;

    // An entry still being stored in the background is found as it was given. A hit renews the
    // entry's recency; its chunk files are read each time they are used. A chunk
    // file that is missing, unreadable, of the wrong size or no regular file of the entry's own
    // removes the entry, and so does a manifest that is no regular file of its own or too large; an
    // otherwise unreadable or undecodable manifest is only a miss.
    std::optional<Entry> lookup(const QString& key);
    // Builds the entry in staging and publishes it with one rename, replacing any entry of the
    // same key, then evicts down to the cap. An entry larger than the cap on its own is not kept.
    // Chunks kept in files (stageRead) are linked into the entry, not copied.
    void store(const QString& key, const QList<AudioChunk>& chunks, const Core::TimedWords& words);
    // Stores as `store` does, with the entry's files and manifest written off the main thread and
    // the entry published back on it. A `remove` or another store of the key before then
    // supersedes it. The words are read on the writer from a copy, which shares them.
    void storeInBackground(const QString& key, const QList<AudioChunk>& chunks,
                           const Core::TimedWords& words);
    bool isStoring() const { return !m_pending.isEmpty(); }
    // Called on the main thread when an entry could not be written or published (logged, with
    // its cause): the read plays on, but is not kept.
    std::function<void(const StorageFiles::WriteFailure&)> onStoreFailed;
    // A staging folder for the chunks of a read as they arrive; gone with the last of them.
    std::shared_ptr<StagedChunks> stageRead() const;
    // Removes the entry of `key`, if there is one: its audio turned out not to play.
    void remove(const QString& key);

    // Hands the bytes of every regular file below "audio", manifests included, to `done` on the
    // main thread, unless `receiver` is gone by then. Measured on the writer, after what it was
    // asked to do before.
    void totalBytes(QObject& receiver, std::function<void(qint64)> done);
    // Empties "audio" at once ("staging" and the rest of the root stay); the entries go on the
    // writer, then `done` runs on the main thread unless `receiver` is gone by then. An entry
    // being stored in the background is published when it is written.
    void clear(QObject& receiver, std::function<void()> done);

    static QString formattedSize(qint64 bytes);
    static QString clearButtonTitle(qint64 bytes);

    // A cache key names an entry folder only when it is 64 lower-case hexadecimal digits.
    static bool isValidKey(const QString& key);

private:
    // What eviction knows of an item of "audio": its recency and the bytes of its audio.
    struct Item {
        std::filesystem::file_time_type date;
        qint64 bytes = 0;
    };
    struct Walk;

    // An entry being stored in the background, and which of the key's stores it is.
    struct Pending {
        quint64 ticket = 0;
        Entry entry;
    };

    bool accepts(const QString& key, const QList<AudioChunk>& chunks) const;
    // Moves an entry built in `staging` into place and counts it.
    void publish(const QString& key, const StorageFiles::StagingFolder& staging, qint64 bytes);
    std::filesystem::path entryFolder(const QString& key) const;
    void removeDamaged(const QString& key, const QString& why);
    // Takes the item `name` out of "audio" and out of the count at once, and removes it on the
    // writer.
    void discard(const std::filesystem::path& name);
    // Whether the item of "audio" was moved away or removed.
    bool removeOnWriter(const std::filesystem::path& name);
    bool moveAway(const Base::Files::Folder& parent, const std::filesystem::path& name);
    // Renews the entry's recency and notes it with `bytes` of audio.
    void touch(const std::filesystem::path& folder, qint64 bytes);
    void opened(Walk walk);
    void remember(const std::filesystem::path& name, std::filesystem::file_time_type date,
                  qint64 bytes);
    void forget(const std::filesystem::path& name);
    void evictIfNeeded();

    std::filesystem::path m_root;
    qint64 m_maxBytes;
    StorageFiles::DateSource m_now;
    Base::Date m_lastAssignedMTime = StorageFiles::distantPast;
    std::map<std::filesystem::path, Item> m_items; // by name
    // m_items, oldest first; ties by name, so that the order does not depend on the folder's.
    std::set<std::pair<std::filesystem::file_time_type, std::filesystem::path>> m_byRecency;
    qint64 m_itemBytes = 0; // of every item
    bool m_isOpen = false;
    bool m_evictionDue = false; // a store came before the walk had finished
    int m_damagedRemoved = 0;
    std::set<std::filesystem::path> m_changedWhileOpening; // the walk's word on them is old
    bool m_walkIsStale = false;                            // on every item: cleared meanwhile
    QList<std::function<void(int)>> m_waitingForOpen;
    QHash<QString, Pending> m_pending; // by key
    quint64 m_lastTicket = 0;
    QObject m_receiver;    // where the writer hands its results to the main thread
    Base::Worker m_writer; // declared last: joined before anything it uses goes
};

} // namespace Parlino
