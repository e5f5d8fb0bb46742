#include "Parlino/Storage/StorageFiles.h"

#include "Base/Files.h"

#include <QFile>
#include <QUuid>

#include <cmath>
#include <system_error>
#include <utility>

namespace Parlino::StorageFiles {

namespace {

constexpr const char* stagingName = "staging";

} // namespace

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

std::error_code writeFile(const fs::path& file, const QByteArray& bytes) {
    if (bytes.size() > maxFileBytes)
        return std::make_error_code(std::errc::file_too_large);
    Base::Files::NewFile output(file);
    output.write(bytes);
    return output.close();
}

std::optional<QString>
writeFile(const fs::path& file,
          const std::function<Base::Json::Read<void>(const Base::Json::Output&)>& write) {
    Base::Files::NewFile output(file, maxFileBytes);
    bool outputFailed = false;
    const auto written = write([&](QByteArrayView piece) {
        outputFailed = !output.write(piece);
        return !outputFailed;
    });
    // A document refused stops the writing; an output that failed is the cause of its own stop.
    if (!written && !outputFailed)
        return written.error().message;
    if (const auto error = output.close())
        return QString::fromStdString(error.message());
    return std::nullopt;
}

fs::path newStagingFolder(const fs::path& root) {
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    return root / stagingName / uuid.toStdString();
}

QScopeGuard<std::function<void()>> removeOnExit(fs::path folder) {
    return QScopeGuard<std::function<void()>>([folder = std::move(folder)] {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    });
}

void removeStaging(const fs::path& root) {
    std::error_code ignored;
    fs::remove_all(root / stagingName, ignored);
}

namespace {

struct OneAtATime : QThreadPool {
    OneAtATime() { setMaxThreadCount(1); }
};

} // namespace

QThreadPool& backgroundWriter() {
    static OneAtATime writer;
    return writer;
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
