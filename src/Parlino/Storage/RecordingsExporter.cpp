#include "Parlino/Storage/RecordingsExporter.h"

#include "Base/Log.h"
#include "Base/MainThread.h"
#include "Parlino/Storage/ChunkFiles.h"
#include "Parlino/Storage/ClipSummary.h"
#include "Parlino/Storage/ManifestEvents.h"
#include "Parlino/Storage/StorageFiles.h"

#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThreadPool>

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
fs::path freeRecordingFolder(const fs::path& monthFolder, const QString& baseName) {
    fs::path folder = monthFolder / StorageFiles::toPath(baseName);
    for (int k = 2; isTaken(folder); ++k)
        folder = monthFolder / StorageFiles::toPath(QStringLiteral("%1 (%2)").arg(baseName).arg(k));
    return folder;
}

// Writes the audio and the transcript into a new recording folder, which a failure removes.
std::optional<QString> writeRecording(const fs::path& folder, const QByteArray& audio,
                                      const QString& transcript) {
    std::error_code error;
    if (!fs::create_directory(folder, error))
        return error ? describe(error) : QStringLiteral("recording folder already exists");
    std::optional<QString> failure;
    const QString name = StorageFiles::toText(folder.filename());
    QSaveFile file(StorageFiles::toText(folder / "Transcript.txt"));
    if (const auto writeError = StorageFiles::writeFile(
            folder / StorageFiles::toPath(name + QStringLiteral(".mp3")), audio))
        failure = describe(writeError);
    else if (!file.open(QIODevice::WriteOnly) || file.write(transcript.toUtf8()) < 0 ||
             !file.commit())
        failure = file.errorString();
    if (failure)
        fs::remove_all(folder, error);
    return failure;
}

// Exports one clip into `recordings`; the failure's description when it cannot.
std::optional<QString> exportClip(const ExportManifest& manifest, const fs::path& clipFolder,
                                  const fs::path& recordings, const QTimeZone& timeZone,
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
    const fs::path monthFolder = recordings / StorageFiles::toPath(monthFolderName(*clipTiming));
    std::error_code error;
    fs::create_directories(monthFolder, error);
    if (error)
        return describe(error);
    const fs::path folder = freeRecordingFolder(monthFolder, recordingName(*clipTiming));
    const auto transcript = transcriptText(manifest.text, findModel(models, manifest.modelID),
                                           clipTiming->milliseconds);
    return writeRecording(folder, audio, transcript);
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

fs::path sibling(const fs::path& folder, const char* suffix) {
    return folder.parent_path() / ("." + folder.filename().native() + suffix);
}

// Puts `built` in the place of `folder`; the old folder stays where it was when that fails.
std::error_code swapIn(const fs::path& built, const fs::path& folder) {
    const fs::path previous = sibling(folder, "-previous");
    std::error_code error;
    fs::remove_all(previous, error);
    const bool hadPrevious = isTaken(folder);
    if (!error && hadPrevious)
        fs::rename(folder, previous, error);
    if (error)
        return error;
    std::error_code ignored;
    fs::rename(built, folder, error);
    if (error) {
        if (hadPrevious)
            fs::rename(previous, folder, ignored);
        return error;
    }
    fs::remove_all(previous, ignored);
    return {};
}

} // namespace

fs::path defaultFolder() {
    return StorageFiles::toPath(
               QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) /
           "Parlino" / "Recordings";
}

Outcome exportRecordings(const fs::path& clipsRoot, const fs::path& recordingsFolder,
                         const QTimeZone& timeZone, const QList<TranscriptModel>& models) {
    // Exports share their build folder: one at a time.
    static std::mutex exporting;
    const std::lock_guard lock(exporting);

    const auto clips = clipFolders(clipsRoot);
    if (!clips)
        return Base::failure(clips.error());
    const fs::path folder =
        recordingsFolder.has_filename() ? recordingsFolder : recordingsFolder.parent_path();
    const fs::path building = sibling(folder, "-export");
    std::error_code error;
    fs::remove_all(building, error);
    if (!error)
        fs::create_directories(building, error);
    if (error)
        return Base::failure(error);

    qint64 exported = 0;
    qint64 skipped = 0;
    for (const auto& clip : *clips) {
        const auto manifest = ExportManifest::read(clip);
        if (!manifest)
            continue;
        if (const auto failure = exportClip(*manifest, clip, building, timeZone, models)) {
            ++skipped;
            logger.error("export: clip skipped: %{public}s", *failure);
        } else {
            ++exported;
        }
    }
    if (const auto swapError = swapIn(building, folder)) {
        std::error_code ignored;
        fs::remove_all(building, ignored);
        return Base::failure(swapError);
    }
    logger.notice("export ok: exported=%{public}ld skipped=%{public}ld", exported, skipped);
    return {};
}

void exportInBackground(fs::path clipsRoot, fs::path recordingsFolder, QTimeZone timeZone,
                        QList<TranscriptModel> models, std::function<void(Outcome)> completion) {
    QThreadPool::globalInstance()->start(
        [clipsRoot = std::move(clipsRoot), recordingsFolder = std::move(recordingsFolder),
         timeZone = std::move(timeZone), models = std::move(models),
         completion = std::move(completion)] {
            const Outcome outcome = exportRecordings(clipsRoot, recordingsFolder, timeZone, models);
            Base::MainThread::post([completion, outcome] { completion(outcome); });
        });
}

void ensureDirectory(const fs::path& folder) {
    std::error_code ignored;
    fs::create_directories(folder, ignored);
}

} // namespace Parlino::RecordingsExporter
