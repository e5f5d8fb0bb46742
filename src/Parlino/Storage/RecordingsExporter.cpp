#include "Parlino/Storage/RecordingsExporter.h"

#include "Base/Files.h"
#include "Base/Log.h"
#include "Parlino/Storage/ChunkFiles.h"
#include "Parlino/Storage/ClipSummary.h"
#include "Parlino/Storage/ManifestEvents.h"
#include "Parlino/Storage/StorageFiles.h"

#include <QLocale>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>

namespace Parlino::RecordingsExporter {

namespace fs = std::filesystem;

namespace {

const Base::Log logger{QStringLiteral("recordingsExporter")};

// What the export reads of a clip's "manifest.json" (ManifestEvents::Reading::clipExport); every
// other key may be absent or malformed.
struct ExportManifest {
    QString text;
    QList<ChunkFiles::Record> chunks; // their file names only
    double totalDuration = 0;
    Base::Date createdAt;
    std::optional<QString> modelID;

    // Nothing when the manifest cannot be read or is refused.
    static std::optional<ExportManifest> read(const fs::path& clipFolder) {
        ManifestEvents manifest(ManifestEvents::Reading::clipExport);
        if (!manifest.read(clipFolder / "manifest.json"))
            return std::nullopt;
        return ExportManifest{Base::Json::text(manifest.text), std::move(manifest.chunks),
                              manifest.totalDuration, Base::Date{manifest.createdAt},
                              std::move(manifest.modelID)};
    }
};

// A value rounded to a whole number, halves away from zero, negatives counting as 0; nothing
// when it is not finite or too large to count in 64 bits.
std::optional<qint64> roundedCount(double value) {
    if (!std::isfinite(value) || value >= 9.0e18)
        return std::nullopt;
    return static_cast<qint64>(std::llround(std::max(value, 0.0)));
}

// The local time of a recording and its length, once both are known to be representable.
struct Timing {
    QDateTime local;
    qint64 seconds;
    qint64 milliseconds;
};

std::optional<Timing> timing(const ExportManifest& manifest, const QTimeZone& timeZone) {
    const auto utc = StorageFiles::toDateTime(manifest.createdAt);
    const auto seconds = roundedCount(manifest.totalDuration);
    const auto milliseconds = roundedCount(manifest.totalDuration * 1000);
    if (!utc || !seconds || !milliseconds)
        return std::nullopt;
    return Timing{utc->toTimeZone(timeZone), *seconds, *milliseconds};
}

QString monthFolderName(const Timing& timing) {
    return QLocale::c().toString(timing.local, QStringLiteral("MMMM yyyy"));
}

QString recordingName(const Timing& timing) {
    const QString date =
        QLocale::c().toString(timing.local, QStringLiteral("MMM d, yyyy 'at' h.mm.ss AP"));
    return QStringLiteral("%1 (%2m %3s)")
        .arg(date)
        .arg(timing.seconds / 60)
        .arg(timing.seconds % 60);
}

QString lengthText(qint64 milliseconds) {
    return QStringLiteral("%1:%2.%3")
        .arg(milliseconds / 60000)
        .arg((milliseconds / 1000) % 60, 2, 10, QChar(u'0'))
        .arg(milliseconds % 1000, 3, 10, QChar(u'0'));
}

QString creditsText(qint64 credits) {
    return QStringLiteral("%1 %2").arg(credits).arg(credits == 1 ? u"credit" : u"credits");
}

const TranscriptModel* findModel(const QList<TranscriptModel>& models,
                                 const std::optional<QString>& modelID) {
    if (!modelID)
        return nullptr;
    const auto found =
        std::find_if(models.begin(), models.end(),
                     [&](const TranscriptModel& model) { return model.modelID == *modelID; });
    return found == models.end() ? nullptr : &*found;
}

QString transcriptText(const QString& text, const TranscriptModel* model, qint64 milliseconds) {
    const qint64 characters = text.size();
    QString cost = QStringLiteral("not recorded");
    QString modelName = QStringLiteral("not recorded");
    if (model) {
        modelName = model->name;
        cost = creditsText(model->credits(characters));
    }
    return QStringLiteral("%1\n\nCost: %2\nModel: %3\nCharacters: %4\nLength: %5\n")
        .arg(text, cost, modelName, QString::number(characters), lengthText(milliseconds));
}

QString describe(const std::error_code& error) {
    return QString::fromStdString(error.message());
}

bool isTaken(const fs::path& path) {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

// The name in `monthFolder` for a recording: the base name, or the base name + " (k)" for the
// first k from 2 that is free.
fs::path freeRecordingName(const fs::path& monthFolder, const QString& baseName) {
    fs::path name = StorageFiles::toPath(baseName);
    for (int k = 2; isTaken(monthFolder / name); ++k)
        name = StorageFiles::toPath(QStringLiteral("%1 (%2)").arg(baseName).arg(k));
    return name;
}

// Writes the audio and the transcript into the new recording folder `name` in `month`, which a
// failure removes. The transcript is written aside and renamed into place.
std::optional<QString> writeRecording(const Base::Files::Folder& month, const fs::path& name,
                                      const QByteArray& audio, const QString& transcript) {
    const auto folder = month.newFolder(name);
    if (!folder)
        return folder.error() == std::errc::file_exists
                   ? QStringLiteral("recording folder already exists")
                   : describe(folder.error());
    std::error_code error = StorageFiles::writeFile(*folder, fs::path(name) += ".mp3", audio);
    if (!error)
        error = Base::Files::replaceRegular(*folder, "Transcript.txt", transcript.toUtf8());
    if (!error)
        return std::nullopt;
    month.remove(name);
    return describe(error);
}

// Exports one clip into `recordings` (the folder at `recordingsPath`); the failure's description
// when it cannot.
std::optional<QString> exportClip(const ExportManifest& manifest, const fs::path& clipFolder,
                                  const Base::Files::Folder& recordings,
                                  const fs::path& recordingsPath, const QTimeZone& timeZone,
                                  const QList<TranscriptModel>& models) {
    const auto clipTiming = timing(manifest, timeZone);
    if (!clipTiming)
        return QStringLiteral("creation time or duration out of range");
    QByteArray audio;
    for (const auto& chunk : manifest.chunks) {
        const auto bytes =
            StorageFiles::readFile(clipFolder / StorageFiles::toPath(chunk.fileName));
        if (!bytes)
            return QStringLiteral("%1: %2").arg(chunk.fileName, describe(bytes.error()));
        audio.append(*bytes);
    }
    const fs::path monthName = StorageFiles::toPath(monthFolderName(*clipTiming));
    const auto month = recordings.folder(monthName, Base::Files::Missing::create);
    if (!month)
        return describe(month.error());
    const fs::path name = freeRecordingName(recordingsPath / monthName, recordingName(*clipTiming));
    const auto transcript = transcriptText(manifest.text, findModel(models, manifest.modelID),
                                           clipTiming->milliseconds);
    return writeRecording(*month, name, audio, transcript);
}

// The clip folders in name order, oldest clip first; a missing clips folder holds none.
Base::Result<std::vector<fs::path>, std::error_code> clipFolders(const fs::path& clipsRoot) {
    std::vector<fs::path> folders;
    std::error_code error;
    fs::directory_iterator it(clipsRoot, error);
    if (error == std::errc::no_such_file_or_directory)
        return folders;
    for (const fs::directory_iterator end; !error && it != end; it.increment(error))
        if (ClipID{StorageFiles::toText(it->path().filename())}.isValid())
            folders.push_back(it->path());
    if (error)
        return Base::failure(error);
    std::sort(folders.begin(), folders.end(),
              [](const auto& a, const auto& b) { return a.filename() < b.filename(); });
    return folders;
}

fs::path sibling(const fs::path& name, const char* suffix) {
    return "." + name.native() + suffix;
}

// Exports share their build folder, and the start's clean-up clears it: one at a time.
std::mutex exporting;

using Entry = Base::Files::Folder::Entry;

// Only a folder at the Recordings folder's place is an export. Anything else standing there (a
// file, a link, a pipe) is set aside for its owner, neither followed nor removed; when it cannot
// be, it stays where it is.
void setAsideUnlessFolder(const Base::Files::Folder& parent, const fs::path& name) {
    if (parent.entry(name) != Entry::other)
        return;
    const QString kind = parent.describeSpecial(name).value_or(QStringLiteral("a regular file"));
    if (const auto aside = parent.setAside(name))
        logger.error("%{public}s was %{public}s, not a folder — kept as %{public}s",
                     StorageFiles::toText(name), kind, StorageFiles::toText(*aside));
    else
        logger.error("%{public}s is %{public}s, not a folder, and cannot be set aside: "
                     "%{public}s",
                     StorageFiles::toText(name), kind, describe(aside.error()));
}

// What an export that was stopped on the way (a kill, a power cut) left beside the Recordings
// folder `name` in `parent`: its build folder goes, and a previous export moved aside for the new
// one comes back when the new one never took its place; only a folder is an export, anything
// else there is set aside. Nothing standing there is followed.
void clearUnfinishedExport(const Base::Files::Folder& parent, const fs::path& name) {
    const fs::path building = sibling(name, "-export");
    const fs::path previous = sibling(name, "-previous");
    if (parent.entry(building) != Entry::missing) {
        logger.notice("removing the build folder of an unfinished export: %{public}s",
                      StorageFiles::toText(building));
        parent.remove(building);
    }
    setAsideUnlessFolder(parent, name);
    if (parent.entry(previous) == Entry::missing)
        return;
    const Entry standing = parent.entry(name);
    if (standing == Entry::folder) {
        parent.remove(previous);
    } else if (standing == Entry::missing) {
        setAsideUnlessFolder(parent, previous);
        if (parent.entry(previous) == Entry::folder && !parent.rename(previous, parent, name))
            logger.notice("the previous export is back in place: %{public}s",
                          StorageFiles::toText(name));
    }
}

// Puts `built` in the place of `name` in `parent`; the old folder stays where it was when that
// fails.
std::error_code swapIn(const Base::Files::Folder& parent, const fs::path& built,
                       const fs::path& name, bool hadPrevious) {
    const fs::path previous = sibling(name, "-previous");
    std::error_code error = parent.remove(previous);
    if (!error && hadPrevious)
        error = parent.rename(name, parent, previous);
    if (error)
        return error;
    error = parent.rename(built, parent, name);
    if (error) {
        if (hadPrevious)
            parent.rename(previous, parent, name);
        return error;
    }
    parent.remove(previous);
    return {};
}

} // namespace

fs::path defaultFolder() {
    return StorageFiles::toPath(
               QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) /
           "Parlino" / "Recordings";
}

Outcome exportRecordings(const fs::path& clipsRoot, const fs::path& recordingsFolder,
                         const QTimeZone& timeZone, const QList<TranscriptModel>& models,
                         std::stop_token stop) {
    const std::lock_guard lock(exporting);

    const auto clips = clipFolders(clipsRoot);
    if (!clips)
        return Base::failure(clips.error());
    const fs::path folder =
        recordingsFolder.has_filename() ? recordingsFolder : recordingsFolder.parent_path();
    const fs::path name = folder.filename();
    const fs::path buildingName = sibling(name, "-export");
    const auto parent =
        Base::Files::Folder::open(folder.parent_path(), Base::Files::Missing::create);
    if (!parent)
        return Base::failure(parent.error());
    if (const auto error = parent->remove(buildingName))
        return Base::failure(error);
    const auto building = parent->newFolder(buildingName);
    if (!building)
        return Base::failure(building.error());

    qint64 exported = 0;
    qint64 skipped = 0;
    for (const auto& clip : *clips) {
        if (stop.stop_requested()) {
            parent->remove(buildingName);
            logger.notice("export stopped: exported=%{public}ld", exported);
            return Base::failure(std::make_error_code(std::errc::operation_canceled));
        }
        const auto manifest = ExportManifest::read(clip);
        if (!manifest)
            continue;
        if (const auto failure =
                exportClip(*manifest, clip, *building, folder.parent_path() / buildingName,
                           timeZone, models)) {
            ++skipped;
            logger.error("export: clip skipped: %{public}s", *failure);
        } else {
            ++exported;
        }
    }
    setAsideUnlessFolder(*parent, name);
    if (const auto swapError =
            swapIn(*parent, buildingName, name, parent->entry(name) == Entry::folder)) {
        parent->remove(buildingName);
        return Base::failure(swapError);
    }
    logger.notice("export ok: exported=%{public}ld skipped=%{public}ld", exported, skipped);
    return {};
}

void exportInBackground(Base::Worker& worker, QObject& receiver, fs::path clipsRoot,
                        fs::path recordingsFolder, QTimeZone timeZone,
                        QList<TranscriptModel> models, std::function<void(Outcome)> completion) {
    worker.run(
        receiver,
        [clipsRoot = std::move(clipsRoot), recordingsFolder = std::move(recordingsFolder),
         timeZone = std::move(timeZone), models = std::move(models)](std::stop_token stop) {
            return exportRecordings(clipsRoot, recordingsFolder, timeZone, models, stop);
        },
        std::move(completion));
}

void ensureDirectory(const fs::path& folder) {
    using Base::Files::Missing;
    const std::lock_guard lock(exporting);
    const auto parent = Base::Files::Folder::open(folder.parent_path(), Missing::create);
    if (!parent)
        return;
    clearUnfinishedExport(*parent, folder.filename());
    static_cast<void>(parent->folder(folder.filename(), Missing::create));
}

} // namespace Parlino::RecordingsExporter
