#include "Parlino/Storage/ClipFolderScan.h"

#include "Base/Files.h"
#include "Base/Log.h"
#include "Base/Unicode.h"
#include "Base/Worker.h"
#include "Parlino/Storage/ManifestEvents.h"
#include "Parlino/Storage/StorageFiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace Parlino::ClipFolderScan {

namespace fs = std::filesystem;

namespace {

constexpr const char* manifestName = "manifest.json";
constexpr qsizetype previewLength = 200;

const Base::Log logger{QStringLiteral("clipLibrary")};

// The first previewLength user-perceived characters of a text, decoding no more of a long one
// than they take: a start of the text that holds one more whole character after them ends them
// where the whole text does.
QString previewOfUtf8(const std::string& utf8) {
    for (std::size_t bytes = 4096;; bytes *= 8) {
        if (bytes >= utf8.size())
            return previewOf(Base::Unicode::fromUtf8Exactly(utf8));
        // Cut where a character starts.
        while ((utf8[bytes] & 0xC0) == 0x80)
            --bytes;
        const QString start =
            Base::Unicode::fromUtf8Exactly(QByteArrayView(utf8.data(), qsizetype(bytes)));
        if (Base::Unicode::graphemePrefixLength(start, previewLength + 1) < start.size())
            return previewOf(start);
    }
}

// The stamps of the clip folder `folder` and its manifest; nothing when either is not a real one
// of the clip's own (a link, a pipe).
std::optional<ListedClip> stamped(const fs::path& folder) {
    struct stat folderInfo {};
    struct stat manifestInfo {};
    if (::lstat(folder.c_str(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode) ||
        ::lstat((folder / manifestName).c_str(), &manifestInfo) != 0 ||
        !S_ISREG(manifestInfo.st_mode))
        return std::nullopt;
    return ListedClip{FileStamp::of(folderInfo), FileStamp::of(manifestInfo), {}};
}

// The summary of the clip in `folder`, read straight from its manifest's text a piece at a time,
// its words checked but not kept; nothing when loading would refuse the manifest or find a chunk
// file missing, of the wrong size or foreign.
std::optional<ClipSummary> readSummary(const fs::path& folder, const ClipID& id) {
    ManifestEvents manifest(ManifestEvents::Reading::clipSummary);
    if (!manifest.read(folder / manifestName)) {
        const std::error_code& error = manifest.failure().file;
        if (Base::Files::isRefused(error))
            logger.error("list: %{public}s skipped: its manifest is %{public}s", id.rawValue,
                         Base::Files::describe(error));
        return std::nullopt;
    }
    for (const auto& record : manifest.chunks) {
        if (ChunkFiles::check(folder, record))
            return std::nullopt;
    }
    return ClipSummary{id, previewOfUtf8(manifest.text), Base::Date{manifest.createdAt},
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
    Base::Worker helpers({int(threads) - 1, StorageFiles::backgroundNiceness});
    try {
        for (std::size_t t = 1; t < threads; ++t)
            helpers.start([&](std::stop_token) { run(); });
    } catch (const std::system_error&) {
        // No thread to be had: this one does it all.
    }
    run(); // the helpers are joined as they go
}

} // namespace

Result run(const fs::path& root, const QHash<QString, ListedClip>& known) {
    std::vector<ClipID> ids;
    std::error_code error;
    for (fs::directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
        ClipID id{StorageFiles::toText(it->path().filename())};
        if (id.isValid())
            ids.push_back(std::move(id));
    }
    std::vector<std::optional<ListedClip>> found(ids.size());
    std::vector<char> fromManifest(ids.size(), false);
    inParallel(ids.size(), [&](std::size_t i) {
        bool read = false;
        found[i] = look(root, ids[i], known, read);
        fromManifest[i] = read;
    });
    Result result;
    result.clips.reserve(qsizetype(ids.size()));
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (!found[i])
            continue;
        result.readManifests = result.readManifests || fromManifest[i];
        result.clips.insert(ids[i].rawValue, std::move(*found[i]));
    }
    return result;
}

std::optional<ListedClip> look(const fs::path& root, const ClipID& id,
                               const QHash<QString, ListedClip>& known, bool& fromManifest) {
    // A published clip never changes: a folder and manifest with the stamps they had are the
    // ones read before. A chunk file added or removed changes the folder's time; a manifest
    // rewritten by hand is read again.
    const fs::path folder = root / StorageFiles::toPath(id.rawValue);
    auto listed = stamped(folder);
    if (!listed)
        return std::nullopt;
    const auto knownClip = known.constFind(id.rawValue);
    if (knownClip != known.cend() && knownClip->folder == listed->folder &&
        knownClip->manifest == listed->manifest)
        return *knownClip;
    fromManifest = true;
    auto summary = readSummary(folder, id);
    if (!summary)
        return std::nullopt;
    listed->summary = std::move(*summary);
    return listed;
}

std::optional<ListedClip> written(const fs::path& root, ClipSummary summary) {
    auto listed = stamped(root / StorageFiles::toPath(summary.id.rawValue));
    if (listed)
        listed->summary = std::move(summary);
    return listed;
}

QString previewOf(const QString& text) {
    return text.left(Base::Unicode::graphemePrefixLength(text, previewLength));
}

} // namespace Parlino::ClipFolderScan
