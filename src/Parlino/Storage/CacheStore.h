#pragma once

#include "Base/Date.h"
#include "Core/TimedWords.h"
#include "Parlino/Storage/AudioChunk.h"
#include "Parlino/Storage/StagedChunks.h"
#include "Parlino/Storage/StorageFiles.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace Parlino {

// The on-disk cache of finished reads, keyed by the read's cache key: under the root folder,
// "audio"/<key>/ holds the chunk files and "manifest.json"; "staging" holds entries being built.
// Capped in size, evicting the least recently stored or found entries first (recency is the
// entry folder's modification date, read once at construction and kept up to date since by the
// instance, as are the sizes eviction counts). Everything below the root is reached without
// following a link (Base::Files::Folder). Failures degrade to a miss or a skipped step; the
// removal of a damaged entry on lookup and an entry that could not be stored are logged. The
// instance belongs to the main thread; the static operations run anywhere. Entries stored in the
// background are written on the stores' background writer, which the instance waits for when it
// goes.
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

    // Removes the staging leftovers of an earlier run and makes sure "audio" exists.
    CacheStore(std::filesystem::path root, qint64 maxBytes,
               StorageFiles::DateSource now = &Base::Date::now);
    // Waits for the entries being stored in the background and publishes them.
    ~CacheStore();
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

    // Removes damaged entries (manifest missing, no regular file of its own or without readable
    // chunk records, chunk files missing, of the wrong size or no regular files of their own)
    // and returns how many were removed.
    static int reconcile(const std::filesystem::path& root);
    // Bytes of every regular file below "audio", manifests included.
    static qint64 totalBytes(const std::filesystem::path& root);
    // Empties "audio"; "staging" and the rest of the root stay.
    static void clear(const std::filesystem::path& root);

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

    // An entry being stored in the background, and which of the key's stores it is.
    struct Pending {
        quint64 ticket = 0;
        Entry entry;
    };

    bool accepts(const QString& key, const QList<AudioChunk>& chunks) const;
    // Moves an entry built in `staging` into place and counts it.
    void publish(const QString& key, const StorageFiles::StagingFolder& staging, qint64 bytes);
    // Removes the item `name` of "audio" and forgets it.
    void removeItem(const std::filesystem::path& name);
    std::filesystem::path entryFolder(const QString& key) const;
    void removeDamaged(const QString& key, const QString& why);
    // Renews the entry's recency and notes it with `bytes` of audio.
    void touch(const std::filesystem::path& folder, qint64 bytes);
    void scanItems();
    void remember(const std::filesystem::path& name, std::filesystem::file_time_type date,
                  qint64 bytes);
    void forget(const std::filesystem::path& name);
    void evictIfNeeded();

    std::filesystem::path m_root;
    qint64 m_maxBytes;
    StorageFiles::DateSource m_now;
    Base::Date m_lastAssignedMTime = StorageFiles::distantPast;
    std::map<std::filesystem::path, Item> m_items; // by name
    qint64 m_itemBytes = 0;                        // of every item
    QHash<QString, Pending> m_pending;             // by key
    quint64 m_lastTicket = 0;
    QObject m_receiver; // where a background store hands its entry to the main thread
};

} // namespace Parlino
