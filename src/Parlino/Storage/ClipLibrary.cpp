#include "Parlino/Storage/ClipLibrary.h"

#include "Base/Files.h"
#include "Base/Log.h"
#include "Base/Unicode.h"
#include "Parlino/Storage/ChunkFiles.h"
#include "Parlino/Storage/ManifestEvents.h"

#include <QLocale>
#include <QStandardPaths>
#include <QUuid>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace Parlino {

namespace fs = std::filesystem;
using Base::Json::Value;

namespace {

constexpr const char* manifestName = "manifest.json";
constexpr const char* indexName = "summaries.tsv";
constexpr qsizetype previewLength = 200;

const Base::Log logger{QStringLiteral("clipLibrary")};

// The contents of a clip's "manifest.json".
struct Manifest {
    QString text;
    QList<Core::WordTiming> words;
    QList<ChunkFiles::Record> chunks;
    double totalDuration = 0;
    Base::Date createdAt;
    QString voiceID;
    std::optional<QString> modelID;

    // Written one word at a time: a long read's timings never stand in memory as a document tree.
    Base::Json::Read<QByteArray> encode() const {
        Value json = Value::object();
        json["text"] = text;
        json["words"] = nullptr;
        json["chunks"] = ChunkFiles::toJson(chunks);
        json["totalDuration"] = totalDuration;
        json["createdAt"] = createdAt.secondsSinceReferenceDate;
        json["voiceID"] = voiceID;
        if (modelID)
            json["modelID"] = *modelID;
        return Base::Json::serializeWithArray(std::move(json), "words", words);
    }

    static Base::Json::Read<Manifest> fromJson(const Value& json) {
        using Base::Json::require;
        auto text = require<QString>(json, "text");
        auto totalDuration = require<double>(json, "totalDuration");
        auto createdAt = require<double>(json, "createdAt");
        auto voiceID = require<QString>(json, "voiceID");
        auto modelID = Base::Json::optional<QString>(json, "modelID");
        if (auto error = Base::Json::firstError(text, totalDuration, createdAt, voiceID, modelID))
            return Base::failure(*error);
        if (!json.contains("words") || !json.contains("chunks"))
            return Base::failure(Base::Json::Error{QStringLiteral("incomplete clip manifest")});
        auto words = Core::wordTimingsFromJson(json["words"]);
        if (!words)
            return Base::failure(words.error());
        auto chunks = ChunkFiles::recordsFromJson(json["chunks"]);
        if (!chunks)
            return Base::failure(chunks.error());
        return Manifest{*text,    *words,  *chunks, *totalDuration, Base::Date{*createdAt},
                        *voiceID, *modelID};
    }

    static Base::Json::Read<Manifest> read(const fs::path& folder) {
        const auto json = StorageFiles::readJson(folder / manifestName);
        if (!json)
            return Base::failure(json.error());
        return fromJson(*json);
    }
};

QString describe(const std::error_code& error) {
    return QString::fromStdString(error.message());
}

// The summary of the clip whose manifest is `file`, read straight from its text; nothing when
// loading would refuse the manifest.
std::optional<ClipSummary> readSummary(const fs::path& file, const ClipID& id) {
    const auto bytes = StorageFiles::readFile(file);
    if (!bytes) {
        if (Base::Files::isRefused(bytes.error()))
            logger.error("list: %{public}s skipped: its manifest is %{public}s", id.rawValue,
                         Base::Files::describe(bytes.error()));
        return std::nullopt;
    }
    ManifestEvents manifest(ManifestEvents::Reading::clipSummary);
    if (!manifest.parse(*bytes))
        return std::nullopt;
    const qsizetype previewSize = Base::Unicode::graphemePrefixLength(manifest.text, previewLength);
    return ClipSummary{id, manifest.text.left(previewSize), Base::Date{manifest.createdAt},
                       manifest.totalDuration};
}

// Runs `work(i)` for every i below `count`, spread over a few threads (this one included) when
// there is enough of it; returns when all is done.
template <class Work> void inParallel(std::size_t count, const Work& work) {
    constexpr std::size_t itemsPerThread = 64;
    constexpr std::size_t maxThreads = 8;
    const std::size_t threads = std::clamp<std::size_t>(
        count / itemsPerThread, 1,
        std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, maxThreads));
    std::atomic<std::size_t> next = 0;
    const auto run = [&] {
        for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;)
            work(i);
    };
    std::vector<std::jthread> helpers;
    try {
        for (std::size_t t = 1; t < threads; ++t)
            helpers.emplace_back(run);
    } catch (const std::system_error&) {
        // No more threads to be had: the ones running, this one included, do the rest.
    }
    run();
}

// "clip-" + the creation time in UTC as yyyyMMdd'T'HHmmssSSS'Z' (milliseconds truncated) + "-" +
// eight random lower-case hexadecimal digits; nothing when the time cannot be rendered.
std::optional<QString> folderName(Base::Date createdAt) {
    const auto utc = StorageFiles::toDateTime(createdAt);
    if (!utc)
        return std::nullopt;
    const QString stamp = QLocale::c().toString(*utc, QStringLiteral("yyyyMMdd'T'HHmmsszzz'Z'"));
    const QString suffix = QUuid::createUuid().toString(QUuid::WithoutBraces).left(8).toLower();
    return QStringLiteral("clip-%1-%2").arg(stamp, suffix);
}

std::optional<ClipID> saveFailed(const QString& description, qsizetype chunkCount) {
    logger.error("save failed: %{public}s chunkCount=%{public}ld", description, chunkCount);
    return std::nullopt;
}

} // namespace

fs::path ClipLibrary::defaultRoot() {
    return StorageFiles::toPath(
               QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) /
           "Parlino" / "clips";
}

ClipLibrary::ClipLibrary(fs::path root, StorageFiles::DateSource now)
    : m_root(std::move(root)), m_now(std::move(now)), m_index(m_root / indexName) {
    StorageFiles::removeStaging(m_root);
    std::error_code ignored;
    fs::create_directories(m_root, ignored);
}

Base::Date ClipLibrary::nextCreatedAt() {
    return StorageFiles::nextStamp(m_lastAssignedCreatedAt, m_now());
}

std::optional<ClipID> ClipLibrary::save(const QString& text, const QList<AudioChunk>& chunks,
                                        const QList<Core::WordTiming>& words,
                                        const QString& voiceID,
                                        const std::optional<QString>& modelID) {
    const Base::Date createdAt = nextCreatedAt();
    const auto name = folderName(createdAt);
    if (!name)
        return saveFailed(QStringLiteral("creation time out of range"), chunks.size());
    const fs::path staging = StorageFiles::newStagingFolder(m_root);
    const auto discardStaging = StorageFiles::removeOnExit(staging);
    std::error_code error;
    fs::create_directories(staging, error);
    if (error)
        return saveFailed(describe(error), chunks.size());
    const auto records = ChunkFiles::write(staging, chunks);
    if (!records)
        return saveFailed(Base::Files::describe(records.error()), chunks.size());
    double totalDuration = 0;
    for (const auto& chunk : chunks)
        totalDuration += chunk.duration;
    const Manifest manifest{text, words, *records, totalDuration, createdAt, voiceID, modelID};
    const auto json = manifest.encode();
    if (!json)
        return saveFailed(json.error().message, chunks.size());
    if (const auto writeError = StorageFiles::writeFile(staging / manifestName, *json))
        return saveFailed(describe(writeError), chunks.size());
    fs::rename(staging, m_root / name->toStdString(), error);
    if (error)
        return saveFailed(describe(error), chunks.size());
    logger.notice("save ok: chunkCount=%{public}ld", chunks.size());
    const ClipID id{*name};
    bool fromManifest = false;
    if (auto listed = listing(id, fromManifest)) {
        m_index.append(*listed);
        if (m_indexLines >= 0) {
            ++m_indexLines;
            m_listed.insert(id.rawValue, std::move(*listed));
        }
    }
    return id;
}

QList<ClipSummary> ClipLibrary::list() const {
    std::vector<ClipID> ids;
    std::error_code error;
    for (fs::directory_iterator it(m_root, error), end; !error && it != end; it.increment(error)) {
        ClipID id{StorageFiles::toText(it->path().filename())};
        if (id.isValid())
            ids.push_back(std::move(id));
    }
    if (m_indexLines < 0) {
        auto index = m_index.read();
        m_listed = std::move(index.clips);
        m_indexLines = index.lines;
    }
    std::vector<std::optional<ListedClip>> found(ids.size());
    std::vector<char> fromManifest(ids.size(), false);
    inParallel(ids.size(), [&](std::size_t i) {
        bool read = false;
        found[i] = listing(ids[i], read);
        fromManifest[i] = read;
    });

    QList<ClipSummary> summaries;
    QHash<QString, ListedClip> listed;
    bool indexOutOfDate = false;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        indexOutOfDate = indexOutOfDate || fromManifest[i];
        if (!found[i])
            continue;
        summaries.append(found[i]->summary);
        listed.insert(ids[i].rawValue, std::move(*found[i]));
    }
    m_listed = std::move(listed);
    if (indexOutOfDate || m_listed.size() != m_indexLines) {
        m_index.rewrite(m_listed);
        m_indexLines = m_listed.size();
    }
    std::stable_sort(summaries.begin(), summaries.end(),
                     [](const auto& a, const auto& b) { return a.createdAt > b.createdAt; });
    return summaries;
}

std::optional<ListedClip> ClipLibrary::listing(const ClipID& id, bool& fromManifest) const {
    // A published clip never changes, so a manifest of the same size and time is the one read
    // before; a manifest rewritten by hand is read again.
    // A manifest that is not a regular file of the clip's own (a link, a pipe) is never listed.
    const fs::path manifest = m_root / StorageFiles::toPath(id.rawValue) / manifestName;
    struct stat file {};
    if (::lstat(manifest.c_str(), &file) != 0 || !S_ISREG(file.st_mode))
        return std::nullopt;
    const qint64 modified = qint64(file.st_mtim.tv_sec) * 1'000'000'000 + file.st_mtim.tv_nsec;
    const auto size = std::uintmax_t(file.st_size);
    const auto known = m_listed.constFind(id.rawValue);
    if (known != m_listed.cend() && known->modifiedNanoseconds == modified && known->size == size)
        return *known;
    fromManifest = true;
    auto summary = readSummary(manifest, id);
    if (!summary)
        return std::nullopt;
    return ListedClip{modified, size, std::move(*summary)};
}

std::optional<ClipLibrary::Clip> ClipLibrary::load(const ClipID& id) {
    if (!id.isValid())
        return std::nullopt;
    const fs::path folder = m_root / StorageFiles::toPath(id.rawValue);
    const auto manifest = Manifest::read(folder);
    if (!manifest) {
        logger.error("load: manifest unreadable — clip kept: %{public}s", manifest.error().message);
        return std::nullopt;
    }
    auto chunks = ChunkFiles::read(folder, manifest->chunks);
    if (!chunks) {
        switch (chunks.error()) {
        case ChunkFiles::ReadFailure::damaged: {
            logger.error("load: chunk size mismatch — self-healing (removing entry)");
            std::error_code ignored;
            fs::remove_all(folder, ignored);
            break;
        }
        case ChunkFiles::ReadFailure::foreign:
            logger.error("load: a chunk is not a file of the clip's own — clip kept");
            break;
        case ChunkFiles::ReadFailure::unreadable:
            break;
        }
        return std::nullopt;
    }
    return Clip{manifest->text, manifest->voiceID, std::move(chunks).value(), manifest->words};
}

void ClipLibrary::deleteClip(const ClipID& id) {
    if (!id.isValid())
        return;
    std::error_code ignored;
    fs::remove_all(m_root / StorageFiles::toPath(id.rawValue), ignored);
    m_listed.remove(id.rawValue);
}

} // namespace Parlino
