#include "Parlino/Storage/ClipLibrary.h"

#include "Base/Files.h"
#include "Base/Log.h"
#include "Parlino/Storage/ChunkFiles.h"
#include "Parlino/Storage/ManifestEvents.h"

#include <QLocale>
#include <QStandardPaths>
#include <QUuid>

#include <algorithm>
#include <system_error>

namespace Parlino {

namespace fs = std::filesystem;
using Base::Json::Value;

namespace {

constexpr const char* manifestName = "manifest.json";
constexpr const char* indexName = "summaries.tsv";

const Base::Log logger{QStringLiteral("clipLibrary")};

// The contents of a clip's "manifest.json".
struct Manifest {
    QString text;
    Core::TimedWords words;
    QList<ChunkFiles::Record> chunks;
    double totalDuration = 0;
    Base::Date createdAt;
    QString voiceID;
    std::optional<QString> modelID;

    // Written a piece at a time, one word after another: a long read's timings never stand in
    // memory as a document tree or as text. What failed.
    std::optional<StorageFiles::WriteFailure> write(const Base::Files::Folder& folder) const {
        Value json = Value::object();
        // Room for every member first: growing the object would copy the text, megabytes long.
        json.get_ref<Value::object_t&>().reserve(7);
        json["text"] = text;
        json["words"] = nullptr;
        json["chunks"] = ChunkFiles::toJson(chunks);
        json["totalDuration"] = totalDuration;
        json["createdAt"] = createdAt.secondsSinceReferenceDate;
        json["voiceID"] = voiceID;
        if (modelID)
            json["modelID"] = *modelID;
        return StorageFiles::writeFile(folder, manifestName, [&](const Base::Json::Output& output) {
            return Base::Json::writeWithArray(std::move(json), "words", words, output);
        });
    }

    // Read a piece at a time straight into the clip (ManifestEvents); what failed, in words.
    static Base::Result<Manifest, QString> read(const fs::path& folder) {
        ManifestEvents events(ManifestEvents::Reading::clip);
        if (!events.read(folder / manifestName))
            return Base::failure(events.failure().message);
        return Manifest{Base::Json::text(events.text),
                        std::move(events.words),
                        std::move(events.chunks),
                        events.totalDuration,
                        Base::Date{events.createdAt},
                        std::move(events.voiceID),
                        std::nullopt};
    }
};

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

// Newest first; clips of the same time by folder name, so that every listing orders them alike.
bool newerFirst(const ClipSummary& a, const ClipSummary& b) {
    if (a.createdAt != b.createdAt)
        return a.createdAt > b.createdAt;
    return a.id.rawValue < b.id.rawValue;
}

// Saves and listings yield the processor to the threads a user waits on.
constexpr Base::Worker::Options backgroundWork{1, StorageFiles::backgroundNiceness};

// A clip written and published, and how the listing takes it.
struct Saved {
    ClipID id;
    std::optional<ListedClip> listed; // nothing when it would not load
    bool indexAppended = false;
};

using SaveResult = Base::Result<Saved, StorageFiles::WriteFailure>;

SaveResult saveFailed(StorageFiles::WriteFailure why, qsizetype chunkCount) {
    logger.error("save failed: %{public}s chunkCount=%{public}ld", why.description, chunkCount);
    return Base::failure(std::move(why));
}

SaveResult saveFailed(const std::error_code& error, qsizetype chunkCount) {
    return saveFailed(StorageFiles::writeFailure(error), chunkCount);
}

// The library's folder, made again when it is missing, and in place of a link or a file standing
// there: the application's data root holds it.
Base::Result<Base::Files::Folder, std::error_code> clipsFolder(const fs::path& root) {
    return StorageFiles::storeFolder(root.parent_path(), root.filename(), logger);
}

// Builds the clip of `manifest` (its chunk records still to come) and `chunks` in staging,
// publishes it with one rename and adds its line to the index. Touches no state of a library but
// the index: safe on any thread.
SaveResult writeClip(const fs::path& root, ClipSummaryIndex& index, Manifest manifest,
                     const QList<AudioChunk>& chunks) {
    const auto name = folderName(manifest.createdAt);
    if (!name)
        return saveFailed({{}, QStringLiteral("creation time out of range")}, chunks.size());
    const auto rootFolder = clipsFolder(root);
    if (!rootFolder)
        return saveFailed(rootFolder.error(), chunks.size());
    auto staging = StorageFiles::newStagingFolder(root, logger);
    if (!staging)
        return saveFailed(staging.error(), chunks.size());
    const auto discardStaging = StorageFiles::removeOnExit(*staging);
    auto records = ChunkFiles::write(staging->folder, chunks);
    if (!records)
        return saveFailed(records.error(), chunks.size());
    manifest.chunks = std::move(records).value();
    manifest.totalDuration = 0;
    for (const auto& chunk : chunks)
        manifest.totalDuration += chunk.duration;
    if (auto writeError = manifest.write(staging->folder))
        return saveFailed(std::move(*writeError), chunks.size());
    if (const auto error = staging->staging.rename(staging->name, *rootFolder, name->toStdString()))
        return saveFailed(error, chunks.size());
    logger.notice("save ok: chunkCount=%{public}ld", chunks.size());
    // Listed from what was just written: reading a long read's manifest back would cost as much
    // as writing it.
    Saved saved{ClipID{*name}, std::nullopt, false};
    saved.listed =
        ClipFolderScan::written(root, {saved.id, ClipFolderScan::previewOf(manifest.text),
                                       manifest.createdAt, manifest.totalDuration});
    if (saved.listed)
        saved.indexAppended = index.append(*saved.listed);
    return saved;
}

// Removes the clip folder `name`, never following a link to reach it.
void removeClipFolder(const fs::path& root, const fs::path& name) {
    if (const auto folder = StorageFiles::openBelowRoot(root))
        folder->remove(name);
}

} // namespace

fs::path ClipLibrary::defaultRoot() {
    return StorageFiles::toPath(
               QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) /
           "Parlino" / "clips";
}

ClipLibrary::ClipLibrary(fs::path root, StorageFiles::DateSource now)
    : m_root(std::move(root)), m_now(std::move(now)), m_index(m_root / indexName),
      m_writer(backgroundWork), m_lister(backgroundWork) {
    // A failure here shows at the first save.
    if (clipsFolder(m_root))
        StorageFiles::logRoot(m_root.parent_path(), logger);
    StorageFiles::removeStaging(m_root);
}

ClipLibrary::~ClipLibrary() {
    // The writer runs out the saves it was given before it goes (they only write files).
    while (!finishSaves(std::chrono::seconds(1))) {
    }
}

bool ClipLibrary::finishSaves(std::chrono::milliseconds bound) {
    return m_writer.finish(m_receiver, bound);
}

Base::Date ClipLibrary::nextCreatedAt() {
    return StorageFiles::nextStamp(m_lastAssignedCreatedAt, m_now());
}

std::optional<ClipID> ClipLibrary::save(const QString& text, const QList<AudioChunk>& chunks,
                                        const Core::TimedWords& words, const QString& voiceID,
                                        const std::optional<QString>& modelID) {
    const Base::Date createdAt = nextCreatedAt();
    const auto saved =
        writeClip(m_root, m_index, {text, words, {}, 0, createdAt, voiceID, modelID}, chunks);
    if (!saved) {
        if (onSaveFailed)
            onSaveFailed(saved.error());
        return std::nullopt;
    }
    noteSaved(saved->id, saved->listed, saved->indexAppended);
    return saved->id;
}

void ClipLibrary::saveInBackground(const QString& text, const QList<AudioChunk>& chunks,
                                   const Core::TimedWords& words, const QString& voiceID,
                                   const std::optional<QString>& modelID) {
    ++m_savesRunning;
    m_writer.run(
        m_receiver,
        [this, manifest = Manifest{text, words, {}, 0, nextCreatedAt(), voiceID, modelID}, chunks] {
            return writeClip(m_root, m_index, manifest, chunks);
        },
        [this](const auto& saved) {
            --m_savesRunning;
            if (saved)
                noteSaved(saved->id, saved->listed, saved->indexAppended);
            else if (onSaveFailed)
                onSaveFailed(saved.error());
            if (m_savesRunning > 0)
                return;
            for (const Waiter& waiter : std::exchange(m_waitingForSaves, {})) {
                if (waiter.context)
                    waiter.done();
            }
        });
}

void ClipLibrary::noteSaved(const ClipID& id, std::optional<ListedClip> listed,
                            bool indexAppended) {
    if (!listed)
        return;
    if (indexAppended)
        m_indexLines += m_indexLines >= 0 ? 1 : 0;
    else
        m_indexLines = 1;
    note(id, std::move(listed));
}

void ClipLibrary::refresh(QObject* context, std::function<void()> done) {
    (m_isListing ? m_waitingNext : m_waiting).append({context, std::move(done)});
    if (!m_isListing)
        startListing();
}

void ClipLibrary::whenListed(QObject* context, std::function<void()> ready) {
    if (m_isListed) {
        whenSaved(context, std::move(ready));
        return;
    }
    if (!m_isListing)
        startListing();
    m_waiting.append({context, std::move(ready)});
}

void ClipLibrary::whenSaved(QObject* context, std::function<void()> ready) {
    if (m_savesRunning == 0)
        ready();
    else
        m_waitingForSaves.append({context, std::move(ready)});
}

// Runs off the main thread with copies of what it needs; the index is safe to share.
void ClipLibrary::startListing() {
    m_isListing = true;
    m_changesWhileListing.clear();
    m_lister.run(
        m_receiver,
        [this, root = m_root, known = m_listed, lines = m_indexLines] {
            QHash<QString, ListedClip> trusted = known;
            qsizetype indexLines = lines;
            if (indexLines < 0) {
                auto index = m_index.read();
                trusted = std::move(index.clips);
                indexLines = index.lines;
            }
            Listing listing{ClipFolderScan::run(root, trusted), indexLines};
            if (listing.scan.readManifests || listing.scan.clips.size() != indexLines) {
                m_index.rewrite(listing.scan.clips);
                listing.indexLines = listing.scan.clips.size();
            }
            return listing;
        },
        [this](Listing listing) { finishListing(std::move(listing)); });
}

void ClipLibrary::finishListing(Listing listing) {
    m_listed = std::move(listing.scan.clips);
    m_indexLines = listing.indexLines;
    for (auto change = m_changesWhileListing.cbegin(); change != m_changesWhileListing.cend();
         ++change) {
        if (*change)
            m_listed.insert(change.key(), **change);
        else
            m_listed.remove(change.key());
    }
    m_changesWhileListing.clear();
    sortClips();
    m_isListed = true;
    m_isListing = false;
    const QList<Waiter> served = std::exchange(m_waiting, std::exchange(m_waitingNext, {}));
    if (!m_waiting.isEmpty())
        startListing();
    for (const Waiter& waiter : served) {
        if (waiter.done && waiter.context)
            whenSaved(waiter.context, waiter.done);
    }
}

void ClipLibrary::note(const ClipID& id, std::optional<ListedClip> listed) {
    if (m_isListing)
        m_changesWhileListing.insert(id.rawValue, listed);
    const bool wasListed = m_listed.remove(id.rawValue);
    if (!listed) {
        if (wasListed)
            m_clips.removeIf([&](const ClipSummary& clip) { return clip.id == id; });
        return;
    }
    m_listed.insert(id.rawValue, *listed);
    if (wasListed)
        sortClips();
    else
        m_clips.insert(
            std::upper_bound(m_clips.cbegin(), m_clips.cend(), listed->summary, newerFirst),
            listed->summary);
}

void ClipLibrary::sortClips() {
    m_clips.clear();
    m_clips.reserve(m_listed.size());
    for (const ListedClip& listed : std::as_const(m_listed))
        m_clips.append(listed.summary);
    std::sort(m_clips.begin(), m_clips.end(), newerFirst);
}

std::optional<ClipLibrary::Clip> ClipLibrary::load(const ClipID& id) {
    if (!id.isValid())
        return std::nullopt;
    const fs::path folder = m_root / StorageFiles::toPath(id.rawValue);
    const auto manifest = Manifest::read(folder);
    if (!manifest) {
        logger.error("load: manifest unreadable — clip kept: %{public}s", manifest.error());
        note(id, std::nullopt);
        return std::nullopt;
    }
    auto chunks = ChunkFiles::read(folder, manifest->chunks);
    if (!chunks) {
        note(id, std::nullopt);
        switch (chunks.error()) {
        case ChunkFiles::ReadFailure::damaged: {
            logger.error("load: chunk size mismatch — self-healing (removing entry)");
            removeClipFolder(m_root, folder.filename());
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
    removeClipFolder(m_root, StorageFiles::toPath(id.rawValue));
    note(id, std::nullopt);
}

} // namespace Parlino
