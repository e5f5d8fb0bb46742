#include "Base/Files.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace Base::Files {

namespace {

std::error_code lastError() {
    return {errno, std::system_category()};
}

// O_NONBLOCK: opening a named pipe waits for a writer otherwise. Regular files ignore it.
constexpr int readFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;

// The folder holding `file`, opened without following a link.
int openFolder(const std::filesystem::path& file) {
    const std::filesystem::path parent = file.has_parent_path() ? file.parent_path() : ".";
    const int folder = ::open(parent.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY | O_NOFOLLOW);
    if (folder < 0) {
        // A link to a folder is refused as "not a folder"; say what it is.
        const int error = errno;
        struct stat info {};
        const bool isLink = ::lstat(parent.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
        errno = error == ENOTDIR && isLink ? ELOOP : error;
    }
    return folder;
}

int openFile(const std::filesystem::path& file, Links links) {
    if (links == Links::follow)
        return ::open(file.c_str(), readFlags);
    const FileDescriptor folder{openFolder(file)};
    if (folder.fd < 0)
        return -1;
    return ::openat(folder.fd, file.filename().c_str(), readFlags | O_NOFOLLOW);
}

} // namespace

FileDescriptor::~FileDescriptor() {
    if (fd >= 0)
        ::close(fd);
}

// Reads into a buffer of the file's size, growing it only for a file that grows meanwhile.
Result<QByteArray, std::error_code> readRegular(const std::filesystem::path& file, qint64 maxBytes,
                                                Links links) {
    const FileDescriptor input{openFile(file, links)};
    if (input.fd < 0)
        return failure(lastError());
    struct stat info {};
    if (::fstat(input.fd, &info) != 0)
        return failure(lastError());
    if (!S_ISREG(info.st_mode))
        return failure(std::make_error_code(std::errc::not_supported));
    if (info.st_size > maxBytes)
        return failure(std::make_error_code(std::errc::file_too_large));
    QByteArray bytes(qsizetype(info.st_size) + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > maxBytes)
                return failure(std::make_error_code(std::errc::file_too_large));
            bytes.resize(qsizetype(std::min(maxBytes + 1, qint64(bytes.size()) * 2)));
        }
        const ssize_t count =
            ::read(input.fd, bytes.data() + filled, static_cast<size_t>(bytes.size() - filled));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return failure(lastError());
        if (count == 0) {
            bytes.truncate(filled);
            return bytes;
        }
        filled += count;
    }
}

std::error_code writeAndClose(FileDescriptor& output, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t count = ::write(output.fd, data, static_cast<size_t>(left));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return lastError();
        data += count;
        left -= count;
    }
    // Some file systems report a failed write only when the file is closed.
    if (::close(std::exchange(output.fd, -1)) != 0)
        return lastError();
    return {};
}

std::error_code replaceRegular(const std::filesystem::path& file, const QByteArray& bytes) {
    const FileDescriptor folder{openFolder(file)};
    if (folder.fd < 0)
        return lastError();
    const std::filesystem::path name = file.filename();
    if (::unlinkat(folder.fd, name.c_str(), 0) != 0 && errno != ENOENT)
        return lastError();
    FileDescriptor output{::openat(folder.fd, name.c_str(),
                                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644)};
    if (output.fd < 0)
        return lastError();
    return writeAndClose(output, bytes);
}

bool isRefused(const std::error_code& error) {
    return error == std::errc::not_supported || error == std::errc::too_many_symbolic_link_levels ||
           error == std::errc::file_too_large;
}

QString describe(const std::error_code& error) {
    if (error == std::errc::not_supported)
        return QStringLiteral("not a regular file");
    if (error == std::errc::too_many_symbolic_link_levels)
        return QStringLiteral("a symbolic link");
    if (error == std::errc::file_too_large)
        return QStringLiteral("too large");
    return QString::fromStdString(error.message());
}

} // namespace Base::Files
