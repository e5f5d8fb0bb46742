#include "Parlino/Storage/CacheStore.h"

#include "Base/Files.h"
#include "Base/Log.h"
#include "Parlino/Storage/CacheManifest.h"
#include "Parlino/Storage/ChunkFiles.h"

#include <QLocale>
#include <QPointer>
#include <QStandardPaths>
#include <QUuid>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numeric>

namespace Parlino {

namespace fs = std::filesystem;

namespace {

constexpr const char* audioName = "audio";
constexpr const char* manifestName = "manifest.json";

qint64 audioBytes(const QList<AudioChunk>& chunks) {
    return std::accumulate(chunks.begin(), chunks.end(), qint64(0),
                           [](qint64 sum, const AudioChunk& c) { return sum + c.audio.size(); });
}

qint64 recordedBytes(const QList<ChunkFiles::Record>& records) {
    return std::accumulate(records.begin(), records.end(), qint64(0),
                           [](qint64 sum, const auto& record) { return sum + record.sizeBytes; });
}

// The file time of a date; nothing for a date the file clock cannot count to.
std::optional<fs::file_time_type> fileTime(Base::Date date) {
    using namespace std::chrono;
    const double unixEpoch =
        duration<double>(file_clock::from_sys(sys_seconds{}).time_since_epoch()).count();
    const double seconds = unixEpoch + date.unixSeconds();
    // The file clock counts nanoseconds in 64 bits: some 292 years either side of its epoch.
    if (!std::isfinite(seconds) || std::fabs(seconds) > 9.0e9)
        return std::nullopt;
    return fs::file_time_type(
        duration_cast<fs::file_time_type::duration>(duration<double>(seconds)));
}

// The sizes of the files directly inside `folder`, its manifest left out; 0 when it is no folder.
qint64 evictableBytes(const fs::path& folder) {
    std::error_code error;
    qint64 bytes = 0;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->path().filename() == manifestName)
            continue;
        std::error_code sizeError;
        const auto size = it->file_size(sizeError);
        if (!sizeError)
            bytes += static_cast<qint64>(size);
    }
    return bytes;
}

const Base::Log logger{QStringLiteral("cacheStore")};

// A build folder under staging, removed with the last copy of its handle unless it was moved away.
using StagingFolder = std::shared_ptr<const StorageFiles::StagingFolder>;

StagingFolder stagingFolder(StorageFiles::StagingFolder folder) {
    return StagingFolder(new StorageFiles::StagingFolder(std::move(folder)),
                         [](const StorageFiles::StagingFolder* built) {
                             built->staging.remove(built->name);
                             delete built;
                         });
}

// "audio", made again when it is missing, and in place of a link or a file standing there.
Base::Result<Base::Files::Folder, std::error_code> audioFolder(const fs::path& root) {
    return StorageFiles::storeFolder(root, audioName, logger);
}

// "audio" as it is: nothing is made, and nothing reached through a link.
std::optional<Base::Files::Folder> existingAudioFolder(const fs::path& root) {
    auto folder = Base::Files::Folder::open(root);
    if (!folder)
        return std::nullopt;
    auto audio = folder->folder(audioName);
    if (!audio)
        return std::nullopt;
    return std::move(audio).value();
}

Base::Result<StagingFolder, StorageFiles::WriteFailure>
storeFailed(StorageFiles::WriteFailure why) {
    logger.error("store failed: %{public}s", why.description);
    return Base::failure(std::move(why));
}

// Writes the entry's chunk files and manifest into a new staging folder; why not, on a failure,
// which is logged. Touches no state of a store: safe on any thread.
Base::Result<StagingFolder, StorageFiles::WriteFailure>
buildEntry(const fs::path& root, const QList<AudioChunk>& chunks, const Core::TimedWords& words) {
    auto made = StorageFiles::newStagingFolder(root, logger);
    if (!made)
        return storeFailed(StorageFiles::writeFailure(made.error()));
    StagingFolder staging = stagingFolder(std::move(made).value());
    const auto records = ChunkFiles::write(staging->folder, chunks);
    if (!records)
        return storeFailed(StorageFiles::writeFailure(records.error()));
    if (auto failure = CacheManifest{*records, words}.write(staging->folder, manifestName))
        return storeFailed(std::move(*failure));
    return staging;
}

// A damaged entry is one that no lookup could ever use: its manifest is gone, is no regular file
// of the entry's own or holds no readable chunk records, or a chunk file is missing, of another
// size or no regular file of the entry's own. A manifest that exists but cannot be read for
// another reason (permissions, for one) keeps its entry. Only the chunk records are read: damage
// after them makes a miss whose new read replaces the entry.
bool isDamaged(const fs::path& folder) {
    const auto records = CacheManifest::readChunks(folder / manifestName);
    if (!records)
        return !records.error().file || StorageFiles::isDamage(records.error().file);
    return std::any_of(records->begin(), records->end(), [&](const auto& record) {
        const auto failure = ChunkFiles::check(folder, record);
        return failure && failure != ChunkFiles::ReadFailure::unreadable;
    });
}

qint64 totalBytesBelow(const fs::path& folder) {
    qint64 total = 0;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code statusError;
        const auto status = it->symlink_status(statusError);
        if (statusError || status.type() != fs::file_type::regular)
            continue;
        std::error_code sizeError;
        const auto size = it->file_size(sizeError);
        if (!sizeError)
            total += static_cast<qint64>(size);
    }
    return total;
}

// The writer does what a user waits on no sooner for it.
constexpr Base::Worker::Options writerOptions{1, StorageFiles::backgroundNiceness};

} // namespace

// What the walk of "audio" found: the items eviction counts (a stray file among them, with no
// bytes; an item whose date cannot be read is left out) and the damaged entries, which the store
// removes unless it changed them meanwhile.
struct CacheStore::Walk {
    struct Found {
        fs::path name;
        fs::file_time_type date;
        qint64 bytes = 0;
    };
    std::vector<Found> items;
    std::vector<fs::path> damaged;

    // Touches no state of a store: runs on the writer.
    static Walk run(const fs::path& audio) {
        Walk walk;
        std::error_code error;
        for (fs::directory_iterator it(audio, error), end; !error && it != end;
             it.increment(error)) {
            std::error_code statusError;
            const auto status = it->symlink_status(statusError);
            if (!statusError && status.type() == fs::file_type::directory &&
                isDamaged(it->path())) {
                walk.damaged.push_back(it->path().filename());
                continue;
            }
            std::error_code dateError;
            const auto date = it->last_write_time(dateError);
            if (!dateError)
                walk.items.push_back({it->path().filename(), date, evictableBytes(it->path())});
        }
        return walk;
    }
};

fs::path CacheStore::defaultRoot() {
    return StorageFiles::toPath(
               QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)) /
           "com.parlino.app";
}

CacheStore::CacheStore(fs::path root, qint64 maxBytes, StorageFiles::DateSource now)
    : m_root(std::move(root)), m_maxBytes(maxBytes), m_now(std::move(now)),
      m_writer(writerOptions) {
    StorageFiles::removeStaging(m_root);
    // A failure here shows at the first store.
    if (audioFolder(m_root))
        StorageFiles::logRoot(m_root, logger);
    m_writer.run(
        m_receiver, [audio = m_root / audioName] { return Walk::run(audio); },
        [this](Walk walk) { opened(std::move(walk)); });
}

CacheStore::~CacheStore() {
    // The writer runs out what it was given before it goes (it only writes and removes files);
    // publish what it built.
    while (!finishWrites(std::chrono::seconds(1))) {
    }
}

bool CacheStore::finishWrites(std::chrono::milliseconds bound) {
    return m_writer.finish(m_receiver, bound);
}

void CacheStore::whenOpen(std::function<void(int)> ready) {
    if (m_isOpen)
        ready(m_damagedRemoved);
    else
        m_waitingForOpen.append(std::move(ready));
}

void CacheStore::opened(Walk walk) {
    m_isOpen = true;
    const auto changed = std::exchange(m_changedWhileOpening, {});
    if (!m_walkIsStale) {
        for (const auto& found : walk.items) {
            if (!changed.contains(found.name))
                remember(found.name, found.date, found.bytes);
        }
        for (const auto& name : walk.damaged) {
            if (!changed.contains(name) && removeOnWriter(name))
                ++m_damagedRemoved;
        }
    }
    if (std::exchange(m_evictionDue, false))
        evictIfNeeded();
    for (const auto& waiter : std::exchange(m_waitingForOpen, {}))
        waiter(m_damagedRemoved);
}

void CacheStore::remember(const fs::path& name, fs::file_time_type date, qint64 bytes) {
    forget(name);
    m_items[name] = {date, bytes};
    m_byRecency.emplace(date, name);
    m_itemBytes += bytes;
}

void CacheStore::forget(const fs::path& name) {
    if (!m_isOpen)
        m_changedWhileOpening.insert(name);
    if (const auto item = m_items.find(name); item != m_items.end()) {
        m_itemBytes -= item->second.bytes;
        m_byRecency.erase({item->second.date, name});
        m_items.erase(item);
    }
}

bool CacheStore::isValidKey(const QString& key) {
    return key.size() == 64 && std::all_of(key.begin(), key.end(), [](QChar c) {
               return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
           });
}

fs::path CacheStore::entryFolder(const QString& key) const {
    return m_root / audioName / key.toStdString();
}

std::optional<CacheStore::Entry> CacheStore::lookup(const QString& key) {
    if (!isValidKey(key))
        return std::nullopt;
    if (const auto pending = m_pending.constFind(key); pending != m_pending.cend())
        return pending->entry;
    const fs::path folder = entryFolder(key);
    const auto manifest = CacheManifest::read(folder / manifestName);
    if (!manifest) {
        if (Base::Files::isRefused(manifest.error().file))
            removeDamaged(key, QStringLiteral("its manifest is ") +
                                   Base::Files::describe(manifest.error().file));
        return std::nullopt;
    }
    auto chunks = ChunkFiles::readOnUse(folder, manifest->chunks);
    if (!chunks) {
        removeDamaged(key,
                      chunks.error() == ChunkFiles::ReadFailure::foreign
                          ? QStringLiteral("a chunk is not a regular file of its own")
                          : QStringLiteral("a chunk is missing, unreadable or of another size"));
        return std::nullopt;
    }
    touch(folder, recordedBytes(manifest->chunks));
    return Entry{std::move(chunks).value(), manifest->words};
}

void CacheStore::removeDamaged(const QString& key, const QString& why) {
    logger.error("lookup: damaged entry removed: %{public}s", why);
    remove(key);
}

bool CacheStore::accepts(const QString& key, const QList<AudioChunk>& chunks) const {
    return isValidKey(key) && audioBytes(chunks) <= m_maxBytes;
}

void CacheStore::store(const QString& key, const QList<AudioChunk>& chunks,
                       const Core::TimedWords& words) {
    if (!accepts(key, chunks))
        return;
    m_pending.remove(key);
    const auto staging = buildEntry(m_root, chunks, words);
    if (staging)
        publish(key, **staging, audioBytes(chunks));
    else if (onStoreFailed)
        onStoreFailed(staging.error());
}

void CacheStore::storeInBackground(const QString& key, const QList<AudioChunk>& chunks,
                                   const Core::TimedWords& words) {
    if (!accepts(key, chunks))
        return;
    const quint64 ticket = ++m_lastTicket;
    m_pending.insert(key, Pending{ticket, Entry{chunks, words}});
    m_writer.run(
        m_receiver, [root = m_root, chunks, words] { return buildEntry(root, chunks, words); },
        [this, key, ticket, bytes = audioBytes(chunks)](const auto& staging) {
            const auto pending = m_pending.constFind(key);
            if (pending == m_pending.cend() || pending->ticket != ticket)
                return;
            m_pending.erase(pending);
            if (staging)
                publish(key, **staging, bytes);
            else if (onStoreFailed)
                onStoreFailed(staging.error());
        });
}

void CacheStore::publish(const QString& key, const StorageFiles::StagingFolder& staging,
                         qint64 bytes) {
    const fs::path folder = entryFolder(key);
    discard(folder.filename());
    const auto audio = audioFolder(m_root);
    std::error_code error = audio ? std::error_code() : audio.error();
    if (!error)
        error = staging.staging.rename(staging.name, *audio, folder.filename());
    if (error) {
        logger.error("store failed: %{public}s", Base::Files::describe(error));
        if (onStoreFailed)
            onStoreFailed(StorageFiles::writeFailure(error));
        return;
    }
    touch(folder, bytes);
    evictIfNeeded();
}

std::shared_ptr<StagedChunks> CacheStore::stageRead() const {
    return StagedChunks::create(m_root);
}

void CacheStore::remove(const QString& key) {
    if (!isValidKey(key))
        return;
    m_pending.remove(key);
    discard(entryFolder(key).filename());
}

void CacheStore::discard(const fs::path& name) {
    forget(name);
    removeOnWriter(name);
}

bool CacheStore::removeOnWriter(const fs::path& name) {
    const auto audio = existingAudioFolder(m_root);
    return audio && moveAway(*audio, name);
}

bool CacheStore::moveAway(const Base::Files::Folder& parent, const fs::path& name) {
    // Moved into staging, where the next launch would remove it too, and removed from there on the
    // writer: nothing at the item's name is left for a lookup or a store to meet.
    auto staging = StorageFiles::storeFolder(m_root, "staging", logger);
    const fs::path trash =
        QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString();
    if (!staging || parent.rename(name, *staging, trash))
        return !parent.remove(name);
    m_writer.start([staging = std::make_shared<Base::Files::Folder>(std::move(staging).value()),
                    trash](std::stop_token) { staging->remove(trash); });
    return true;
}

void CacheStore::touch(const fs::path& folder, qint64 bytes) {
    const Base::Date stamp = StorageFiles::nextStamp(m_lastAssignedMTime, m_now());
    const auto audio = existingAudioFolder(m_root);
    if (const auto time = fileTime(stamp); time && audio)
        audio->setModified(folder.filename(), *time);
    std::error_code dateError;
    const auto date = fs::last_write_time(folder, dateError);
    if (!dateError)
        remember(folder.filename(), date, bytes);
}

void CacheStore::evictIfNeeded() {
    if (!m_isOpen) {
        m_evictionDue = true;
        return;
    }
    while (m_itemBytes > m_maxBytes && !m_byRecency.empty())
        discard(fs::path(m_byRecency.begin()->second)); // a copy: discarding forgets it
}

// The caller's receiver may go before the writer does: the answer comes through the store's own
// and is dropped there when the caller's is gone.
void CacheStore::totalBytes(QObject& receiver, std::function<void(qint64)> done) {
    m_writer.run(
        m_receiver, [audio = m_root / audioName] { return totalBytesBelow(audio); },
        [caller = QPointer(&receiver), done = std::move(done)](qint64 bytes) {
            if (caller)
                done(bytes);
        });
}

void CacheStore::clear(QObject& receiver, std::function<void()> done) {
    m_walkIsStale = !m_isOpen;
    m_items.clear();
    m_byRecency.clear();
    m_itemBytes = 0;
    if (const auto root = Base::Files::Folder::open(m_root))
        moveAway(*root, audioName);
    // A failure here shows at the next store.
    static_cast<void>(audioFolder(m_root));
    m_writer.run(
        m_receiver, [] {},
        [caller = QPointer(&receiver), done = std::move(done)] {
            if (caller)
                done();
        });
}

QString CacheStore::formattedSize(qint64 bytes) {
    const double b = static_cast<double>(std::max<qint64>(bytes, 0));
    const double kilobytes = std::round(b / 1024);
    if (kilobytes <= 1023)
        return QStringLiteral("%1 KB").arg(static_cast<qint64>(std::max(kilobytes, 1.0)));
    const double megabytes = std::round(b / 1048576);
    if (megabytes <= 1023)
        return QStringLiteral("%1 MB").arg(static_cast<qint64>(megabytes));
    return QStringLiteral("%1 GB").arg(QLocale::c().toString(b / 1073741824, 'f', 1));
}

QString CacheStore::clearButtonTitle(qint64 bytes) {
    if (bytes < 1)
        return QStringLiteral("Cached audio is empty");
    return QStringLiteral("Clear cached audio (%1)").arg(formattedSize(bytes));
}

} // namespace Parlino
