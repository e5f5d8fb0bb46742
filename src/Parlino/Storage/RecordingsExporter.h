#pragma once

#include "Base/Result.h"
#include "Base/Worker.h"
#include "Parlino/Storage/TranscriptModel.h"

#include <QList>

#include <QTimeZone>

#include <filesystem>
#include <functional>
#include <stop_token>
#include <system_error>

// Turns every saved clip into a recording the user can open: under the Recordings folder, one
// folder per month ("January 2026") holding one folder per clip ("Jan 5, 2026 at 1.45.01 PM
// (2m 6s)") with the clip's audio as one MP3 and "Transcript.txt". Each export rebuilds the
// Recordings folder from the clip library's folder; the new export is built beside the old one
// and swapped in whole. A transcript names and prices the clip's model by the first of `models`
// with the clip's model identifier. Reads the clip folders directly; safe to run on any thread.
namespace Parlino::RecordingsExporter {

using Outcome = Base::Result<void, std::error_code>;

// "Parlino/Recordings" in the user's data folder, beside the clip library.
std::filesystem::path defaultFolder();

// Fails, leaving the previous export in place, when the clips cannot be listed or the new
// Recordings folder cannot be built or swapped in, or when `stop` is asked for before it is done
// (after the clip it is writing, with operation_canceled); a clip that cannot be exported is
// skipped and logged.
Outcome exportRecordings(const std::filesystem::path& clipsRoot,
                         const std::filesystem::path& recordingsFolder, const QTimeZone& timeZone,
                         const QList<TranscriptModel>& models, std::stop_token stop = {});

// Runs the export on `worker` and hands its outcome to `completion` on the main thread through
// `receiver`, unless the receiver is gone by then. A worker that goes first stops the export
// after the clip it is writing, and its owner waits only for that.
void exportInBackground(Base::Worker& worker, QObject& receiver, std::filesystem::path clipsRoot,
                        std::filesystem::path recordingsFolder, QTimeZone timeZone,
                        QList<TranscriptModel> models, std::function<void(Outcome)> completion);

// Prepares the Recordings folder as the application starts: clears what an unfinished export left
// beside it (its build folder; the previous export, put back when it was moved aside for good),
// then creates the folder with any missing parents. Only a folder there is an export: anything
// else in its place is kept under another name ("Recordings.corrupt"), here and by an export
// that finds it. A failure is ignored.
void ensureDirectory(const std::filesystem::path& folder);

} // namespace Parlino::RecordingsExporter
