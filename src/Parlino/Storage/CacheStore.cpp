#include "Parlino/Storage/CacheStore.h"

#include "Base/Files.h"
#include "Base/Log.h"
#include "Parlino/Storage/CacheManifest.h"
#include "Parlino/Storage/ChunkFiles.h"

#include <QCoreApplication>
#include <QLocale>
#include <QStandardPaths>

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

} // namespace

fs::path CacheStore::defaultRoot() {
    return StorageFiles::toPath(
               QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)) /
           "com.parlino.app";
}

CacheStore::CacheStore(fs::path root, qint64 maxBytes, StorageFiles::DateSource now)
    : m_root(std::move(root)), m_maxBytes(maxBytes), m_now(std::move(now)) {
    StorageFiles::removeStaging(m_root);
    // A failure here shows at the first store.
    static_cast<void>(audioFolder(m_root));
    scanItems();
}

CacheStore::~CacheStore() {
    StorageFiles::backgroundWriter().waitForDone();
    QCoreApplication::sendPostedEvents(&m_receiver);
}

void CacheStore::scanItems() {
    std::error_code error;
    for (fs::directory_iterator it(m_root / audioName, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code dateError;
        const auto date = it->last_write_time(dateError);
        if (!dateError)
            remember(it->path().filename(), date, evictableBytes(it->path()));
    }
}

void CacheStore::remember(const fs::path& name, fs::file_time_type date, qint64 bytes) {
    forget(name);
    m_items[name] = {date, bytes};
    m_itemBytes += bytes;
}

void CacheStore::forget(const fs::path& name) {
    if (const auto item = m_items.find(name); item != m_items.end()) {
        m_itemBytes -= item->second.bytes;
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
    StorageFiles::backgroundWriter().start([this, root = m_root, key, ticket, chunks, words] {
        QMetaObject::invokeMethod(
            &m_receiver,
            [this, key, ticket, staging = buildEntry(root, chunks, words),
             bytes = audioBytes(chunks)] {
                const auto pending = m_pending.constFind(key);
                if (pending == m_pending.cend() || pending->ticket != ticket)
                    return;
                m_pending.erase(pending);
                if (staging)
                    publish(key, **staging, bytes);
                else if (onStoreFailed)
                    onStoreFailed(staging.error());
            },
            Qt::QueuedConnection);
    });
}

void CacheStore::publish(const QString& key, const StorageFiles::StagingFolder& staging,
                         qint64 bytes) {
    const fs::path folder = entryFolder(key);
    forget(folder.filename());
    const auto audio = audioFolder(m_root);
    std::error_code error = audio ? audio->remove(folder.filename()) : audio.error();
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
    const fs::path folder = entryFolder(key);
    removeItem(folder.filename());
}

void CacheStore::removeItem(const fs::path& name) {
    if (const auto audio = existingAudioFolder(m_root))
        audio->remove(name);
    forget(name);
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

// Oldest first, ties broken by name so that the order does not depend on the folder's.
void CacheStore::evictIfNeeded() {
    if (m_itemBytes <= m_maxBytes)
        return;
    std::vector<std::pair<fs::file_time_type, fs::path>> byDate;
    byDate.reserve(m_items.size());
    for (const auto& [name, item] : m_items)
        byDate.emplace_back(item.date, name);
    std::sort(byDate.begin(), byDate.end());
    for (const auto& [date, name] : byDate) {
        if (m_itemBytes <= m_maxBytes)
            break;
        removeItem(name);
    }
}

int CacheStore::reconcile(const fs::path& root) {
    const auto audio = existingAudioFolder(root);
    if (!audio)
        return 0;
    int removed = 0;
    std::error_code error;
    for (fs::directory_iterator it(root / audioName, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code statusError;
        const auto status = it->symlink_status(statusError);
        if (statusError || status.type() != fs::file_type::directory || !isDamaged(it->path()))
            continue;
        if (!audio->remove(it->path().filename()))
            ++removed;
    }
    return removed;
}

qint64 CacheStore::totalBytes(const fs::path& root) {
    qint64 total = 0;
    std::error_code error;
    for (fs::recursive_directory_iterator it(root / audioName, error), end; !error && it != end;
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

void CacheStore::clear(const fs::path& root) {
    const auto audio = audioFolder(root);
    if (!audio)
        return;
    std::vector<fs::path> items;
    std::error_code error;
    for (fs::directory_iterator it(root / audioName, error), end; !error && it != end;
         it.increment(error))
        items.push_back(it->path().filename());
    for (const auto& item : items)
        audio->remove(item);
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
