#include "Parlino/Storage/StorageFiles.h"

#include "Base/Files.h"

#include <QFile>
#include <QUuid>

#include <cmath>
#include <system_error>
#include <utility>

namespace Parlino::StorageFiles {

fs::path toPath(const QString& text) {
    return fs::path(QFile::encodeName(text).toStdString());
}

QString toText(const fs::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

bool isPlainName(QStringView name) {
    if (name.isEmpty() || name == u"." || name == u"..")
        return false;
    return !name.contains(u'/') && !name.contains(u'\\') && !name.contains(QChar(0));
}

Base::Result<QByteArray, std::error_code> readFile(const fs::path& file) {
    return Base::Files::readRegular(file, maxFileBytes, Base::Files::Links::refuse);
}

bool isDamage(const std::error_code& error) {
    return error == std::errc::no_such_file_or_directory || Base::Files::isRefused(error);
}

Base::Result<Base::Files::RegularInput, std::error_code> openFile(const fs::path& file) {
    return Base::Files::openRegular(file, maxFileBytes, Base::Files::Links::refuse);
}

Base::Result<Base::Files::Folder, std::error_code>
storeFolder(const fs::path& root, const fs::path& relative, const Base::Log& log) {
    using Base::Files::Missing;
    auto folder = Base::Files::Folder::open(root, Missing::create);
    for (const fs::path& name : relative) {
        if (!folder)
            break;
        auto child = folder->folder(name, Missing::create);
        if (!child && (child.error() == std::errc::too_many_symbolic_link_levels ||
                       child.error() == std::errc::not_a_directory)) {
            log.error("%{public}s was %{public}s — replaced with a folder", toText(name),
                      folder->describeSpecial(name).value_or(QStringLiteral("not a folder")));
            if (const auto error = folder->remove(name))
                return Base::failure(error);
            child = folder->folder(name, Missing::create);
        }
        folder = std::move(child);
    }
    return folder;
}

Base::Result<Base::Files::Folder, std::error_code> openBelowRoot(const fs::path& folder) {
    const auto root = Base::Files::Folder::open(folder.parent_path());
    if (!root)
        return Base::failure(root.error());
    return root->folder(folder.filename());
}

void logRoot(const fs::path& root, const Base::Log& log) {
    std::error_code error;
    const fs::path real = fs::canonical(root, error);
    if (error)
        log.error("root %{public}s cannot be resolved: %{public}s", toText(root),
                  Base::Files::describe(error));
    else
        log.notice("root %{public}s is the folder %{public}s", toText(root), toText(real));
}

WriteFailure writeFailure(const std::error_code& error) {
    return {error, Base::Files::describe(error)};
}

std::error_code writeFile(const Base::Files::Folder& folder, const fs::path& name,
                          const QByteArray& bytes) {
    if (bytes.size() > maxFileBytes)
        return std::make_error_code(std::errc::file_too_large);
    Base::Files::NewFile output(folder, name);
    output.write(bytes);
    return output.close();
}

std::optional<WriteFailure>
writeFile(const Base::Files::Folder& folder, const fs::path& name,
          const std::function<Base::Json::Read<void>(const Base::Json::Output&)>& write) {
    Base::Files::NewFile output(folder, name, maxFileBytes);
    bool outputFailed = false;
    const auto written = write([&](QByteArrayView piece) {
        outputFailed = !output.write(piece);
        return !outputFailed;
    });
    // A document refused stops the writing; an output that failed is the cause of its own stop.
    if (!written && !outputFailed)
        return WriteFailure{{}, written.error().message};
    if (const auto error = output.close())
        return writeFailure(error);
    return std::nullopt;
}

fs::path freshStagingName() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString();
}

Base::Result<StagingFolder, std::error_code> newStagingFolder(const fs::path& root,
                                                              const Base::Log& log) {
    auto staging = storeFolder(root, stagingName, log);
    if (!staging)
        return Base::failure(staging.error());
    const fs::path name = freshStagingName();
    auto folder = staging->newFolder(name);
    if (!folder)
        return Base::failure(folder.error());
    return StagingFolder{*staging, name, *folder, root / stagingName / name};
}

QScopeGuard<std::function<void()>> removeOnExit(StagingFolder folder) {
    return QScopeGuard<std::function<void()>>(
        [folder = std::move(folder)] { folder.staging.remove(folder.name); });
}

void removeStaging(const fs::path& root) {
    if (const auto folder = Base::Files::Folder::open(root))
        folder->remove(stagingName);
}

std::optional<QDateTime> toDateTime(Base::Date date) {
    const double microseconds = std::round(date.unixSeconds() * 1e6);
    if (!std::isfinite(microseconds) || std::fabs(microseconds) > 9.0e15)
        return std::nullopt;
    const auto milliseconds = static_cast<qint64>(std::floor(microseconds / 1000));
    return QDateTime::fromMSecsSinceEpoch(milliseconds, QTimeZone::utc());
}

Base::Date nextStamp(Base::Date& last, Base::Date now) {
    const Base::Date candidate{last.secondsSinceReferenceDate + 0.001};
    last = candidate >= now ? candidate : now;
    return last;
}

} // namespace Parlino::StorageFiles
