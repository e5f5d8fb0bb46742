#pragma once

#include "Base/Date.h"
#include "Base/Files.h"
#include "Base/Json.h"
#include "Base/Log.h"
#include "Base/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QScopeGuard>
#include <QString>
#include <QStringView>
#include <QTimeZone>

#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>

// File handling shared by the stores: byte-exact reads and writes that report the system's error,
// the checks that keep names read from disk or handed in by a caller inside a store, staging
// folders, and the strictly increasing time stamps of one run.
namespace Parlino::StorageFiles {

namespace fs = std::filesystem;

// Where the stores read the current date; tests inject their own.
using DateSource = std::function<Base::Date()>;

// Earlier than any real date: a run's first stamp is therefore always the current date.
inline constexpr Base::Date distantPast{-1.0e300};

fs::path toPath(const QString& text);
QString toText(const fs::path& path);

// One plain name inside a folder: not empty, not "." or "..", no separator and no NUL.
bool isPlainName(QStringView name);

// The largest file a store reads: far beyond any manifest or chunk it writes.
inline constexpr qint64 maxFileBytes = qint64(64) << 20;

// Reads a whole file of a store, of at most maxFileBytes. Neither the file nor its folder may be a
// link, and only a regular file is read (Base::Files): a pipe does not block, a device is not
// read, a link does not lead out of the store.
Base::Result<QByteArray, std::error_code> readFile(const fs::path& file);
// Opens a file of a store to be read a piece at a time, as readFile reads it.
Base::Result<Base::Files::RegularInput, std::error_code> openFile(const fs::path& file);
// Whether a failed read means the entry is damaged rather than unreadable for now: the file is
// missing, too large, or is not a regular file of the entry's own.
bool isDamage(const std::error_code& error);
// Opens the folder `relative` below a store's `root`, making the missing ones, never following a
// link below the root (Base::Files::Folder). A link or any other file standing where one of the
// store's own folders belongs is logged and replaced with a folder; whatever it led to stays
// untouched.
Base::Result<Base::Files::Folder, std::error_code>
storeFolder(const fs::path& root, const fs::path& relative, const Base::Log& log);

// Opens the store's own folder `folder` from the folder holding it, one of the application's
// roots: a link standing at `folder` is not followed (Base::Files::Folder) and nothing is made.
Base::Result<Base::Files::Folder, std::error_code> openBelowRoot(const fs::path& folder);
// Logs which folder the application's root `root` really is: a root may be a link the user made
// to another disk, which is followed on purpose.
void logRoot(const fs::path& root, const Base::Log& log);

// Why a store could not write: the system's error when there was one (a full disk, a link where
// a folder belongs), and what failed in words.
struct WriteFailure {
    std::error_code error;
    QString description;
};
WriteFailure writeFailure(const std::error_code& error);

// Writes the new file `name` in `folder` (Base::Files::NewFile: nothing standing at its name is
// followed or opened). A file larger than maxFileBytes could never be read back: it is refused
// and nothing is written.
std::error_code writeFile(const Base::Files::Folder& folder, const fs::path& name,
                          const QByteArray& bytes);
// Writes a new file as writeFile does, a piece at a time as `write` hands the pieces of a
// document to its output, so that the document never stands in memory whole. What failed: the
// system's error, or why the document could not be written.
std::optional<WriteFailure>
writeFile(const Base::Files::Folder& folder, const fs::path& name,
          const std::function<Base::Json::Read<void>(const Base::Json::Output&)>& write);

// Where the stores build their entries, under their roots.
inline constexpr const char* stagingName = "staging";
// A fresh upper-case UUID, the name of a new build folder.
fs::path freshStagingName();

// A build folder: "staging"/<fresh upper-case UUID> under a store's root.
struct StagingFolder {
    Base::Files::Folder staging; // "staging" itself
    fs::path name;
    Base::Files::Folder folder; // the build folder
    fs::path path;              // where it was made, for readers
};
// Makes a new build folder, its "staging" as storeFolder makes it.
Base::Result<StagingFolder, std::error_code> newStagingFolder(const fs::path& root,
                                                              const Base::Log& log);
// Removes the build folder with everything in it when the result goes out of scope: one that was
// published in the meantime has moved away, and only a failed build is removed.
[[nodiscard]] QScopeGuard<std::function<void()>> removeOnExit(StagingFolder folder);
// Removes the leftovers of builds that never finished.
void removeStaging(const fs::path& root);
// The niceness of the stores' background work: it yields to the threads a user waits on.
inline constexpr int backgroundNiceness = 10;

// The date in UTC to the millisecond, truncated as date patterns render it (after rounding to
// whole microseconds, so 13:45:01.123 stored as a double stays .123); nothing when out of range.
std::optional<QDateTime> toDateTime(Base::Date date);

// The later of `last` + 1 ms and `now` (the former on a tie), also stored in `last`: stamps
// handed out in one run strictly increase even when the clock stands still or steps back.
Base::Date nextStamp(Base::Date& last, Base::Date now);

} // namespace Parlino::StorageFiles
