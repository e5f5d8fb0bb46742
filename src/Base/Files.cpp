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

// What a NewFile gathers before it writes.
constexpr qsizetype bufferBytes = qsizetype(64) << 10;

std::error_code writeAll(int fd, QByteArrayView bytes) {
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t count = ::write(fd, data, static_cast<size_t>(left));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return lastError();
        data += count;
        left -= count;
    }
    return {};
}

// Writes all of `bytes` and closes the file, reporting the first failure.
std::error_code writeAndClose(FileDescriptor& output, QByteArrayView bytes) {
    if (const auto error = writeAll(output.fd, bytes))
        return error;
    // Some file systems report a failed write only when the file is closed.
    return ::close(std::exchange(output.fd, -1)) == 0 ? std::error_code() : lastError();
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

FileDescriptor::FileDescriptor(FileDescriptor&& other) noexcept : fd(std::exchange(other.fd, -1)) {}

FileDescriptor::~FileDescriptor() {
    if (fd >= 0)
        ::close(fd);
}

RegularInput::RegularInput(FileDescriptor input, qint64 size, qint64 maxBytes)
    : m_input(std::move(input)), m_size(size), m_maxBytes(maxBytes) {}

Result<qsizetype, std::error_code> RegularInput::read(char* buffer, qsizetype capacity) {
    for (;;) {
        const ssize_t count = ::read(m_input.fd, buffer, static_cast<size_t>(capacity));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return failure(lastError());
        m_read += count;
        if (m_read > m_maxBytes)
            return failure(std::make_error_code(std::errc::file_too_large));
        return qsizetype(count);
    }
}

Result<RegularInput, std::error_code> openRegular(const std::filesystem::path& file,
                                                  qint64 maxBytes, Links links) {
    FileDescriptor input{openFile(file, links)};
    if (input.fd < 0)
        return failure(lastError());
    struct stat info {};
    if (::fstat(input.fd, &info) != 0)
        return failure(lastError());
    if (!S_ISREG(info.st_mode))
        return failure(std::make_error_code(std::errc::not_supported));
    if (info.st_size > maxBytes)
        return failure(std::make_error_code(std::errc::file_too_large));
    return RegularInput(std::move(input), qint64(info.st_size), maxBytes);
}

// Reads into a buffer of the file's size, growing it only for a file that grows meanwhile.
Result<QByteArray, std::error_code> readRegular(const std::filesystem::path& file, qint64 maxBytes,
                                                Links links) {
    auto input = openRegular(file, maxBytes, links);
    if (!input)
        return failure(input.error());
    QByteArray bytes(qsizetype(input->size()) + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(qsizetype(std::min(maxBytes + 1, qint64(bytes.size()) * 2)));
        const auto count = input->read(bytes.data() + filled, bytes.size() - filled);
        if (!count)
            return failure(count.error());
        if (*count == 0) {
            bytes.truncate(filled);
            return bytes;
        }
        filled += *count;
    }
}

Result<qint64, std::error_code> appendRegular(const Folder& folder,
                                              const std::filesystem::path& name,
                                              const std::function<QByteArray(qint64)>& bytes) {
    if (!isPlainName(name))
        return failure(std::make_error_code(std::errc::invalid_argument));
    // Looked at before opening: opening a device for writing can already act on it.
    struct stat before {};
    if (::fstatat(folder.descriptor(), name.c_str(), &before, AT_SYMLINK_NOFOLLOW) != 0)
        return failure(lastError());
    if (S_ISLNK(before.st_mode))
        return failure(std::make_error_code(std::errc::too_many_symbolic_link_levels));
    if (!S_ISREG(before.st_mode) || before.st_nlink != 1)
        return failure(std::make_error_code(std::errc::not_supported));
    FileDescriptor output{
        ::openat(folder.descriptor(), name.c_str(),
                 O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW)};
    if (output.fd < 0)
        return failure(lastError());
    // Replaced between the look and the opening: refused as well.
    struct stat info {};
    if (::fstat(output.fd, &info) != 0)
        return failure(lastError());
    if (!S_ISREG(info.st_mode) || info.st_nlink != 1 || info.st_ino != before.st_ino ||
        info.st_dev != before.st_dev)
        return failure(std::make_error_code(std::errc::not_supported));
    if (const auto error = writeAndClose(output, bytes(qint64(info.st_size))))
        return failure(error);
    return qint64(info.st_size);
}

std::error_code replaceRegular(const Folder& folder, const std::filesystem::path& name,
                               const QByteArray& bytes) {
    std::filesystem::path fresh = name;
    fresh += ".new";
    // A leftover of an earlier write, or anything put there since: unlinking never follows it.
    ::unlinkat(folder.descriptor(), fresh.c_str(), 0);
    NewFile output(folder, fresh);
    output.write(bytes);
    std::error_code error = output.close();
    if (!error)
        error = folder.rename(fresh, folder, name);
    if (error)
        ::unlinkat(folder.descriptor(), fresh.c_str(), 0);
    return error;
}

std::error_code linkRegular(const std::filesystem::path& source, qint64 size, const Folder& folder,
                            const std::filesystem::path& name) {
    if (!isPlainName(name))
        return std::make_error_code(std::errc::invalid_argument);
    const FileDescriptor sourceFolder{openFolder(source)};
    if (sourceFolder.fd < 0)
        return lastError();
    struct stat info {};
    if (::fstatat(sourceFolder.fd, source.filename().c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return lastError();
    if (S_ISLNK(info.st_mode))
        return std::make_error_code(std::errc::too_many_symbolic_link_levels);
    if (!S_ISREG(info.st_mode) || qint64(info.st_size) != size)
        return std::make_error_code(std::errc::not_supported);
    // Without AT_SYMLINK_FOLLOW: a link put in its place meanwhile is linked itself, and refused
    // by every reader.
    if (::linkat(sourceFolder.fd, source.filename().c_str(), folder.descriptor(), name.c_str(),
                 0) != 0)
        return lastError();
    return {};
}

std::optional<QString> describeSpecial(const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return std::nullopt;
    return describeStatus(info);
}

std::optional<QString> describeStatus(const struct stat& info) {
    switch (info.st_mode & S_IFMT) {
    case S_IFREG:
        return info.st_nlink == 1 ? std::nullopt
                                  : std::optional(QStringLiteral("a file with other names"));
    case S_IFLNK:
        return QStringLiteral("a symbolic link");
    case S_IFIFO:
        return QStringLiteral("a named pipe");
    case S_IFDIR:
        return QStringLiteral("a folder");
    case S_IFSOCK:
        return QStringLiteral("a socket");
    default:
        return QStringLiteral("a device");
    }
}

// A path of several names would be followed through its folders: it is never created.
NewFile::NewFile(const Folder& folder, const std::filesystem::path& name, qint64 maxBytes)
    : m_output(isPlainName(name) ? ::openat(folder.descriptor(), name.c_str(),
                                            O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NONBLOCK |
                                                O_NOCTTY | O_NOFOLLOW,
                                            0644)
                                 : -1),
      m_maxBytes(maxBytes) {
    if (!isPlainName(name))
        m_error = std::make_error_code(std::errc::invalid_argument);
    else if (m_output.fd < 0)
        m_error = lastError();
}

// A piece that does not fit in what is left of the buffer is written at once, and one as large as
// the buffer straight from where it is.
bool NewFile::write(QByteArrayView bytes) {
    if (m_error)
        return false;
    if (bytes.size() > m_maxBytes - m_written) {
        m_error = std::make_error_code(std::errc::file_too_large);
        return false;
    }
    m_written += bytes.size();
    if (qsizetype(m_buffer.size()) + bytes.size() > bufferBytes) {
        if (!flush())
            return false;
        if (bytes.size() >= bufferBytes) {
            m_error = writeAll(m_output.fd, bytes);
            return !m_error;
        }
    }
    if (m_buffer.capacity() < std::size_t(bufferBytes))
        m_buffer.reserve(std::size_t(bufferBytes));
    m_buffer.append(bytes.data(), std::size_t(bytes.size()));
    return true;
}

bool NewFile::flush() {
    m_error = writeAll(m_output.fd, m_buffer);
    m_buffer.clear();
    return !m_error;
}

std::error_code NewFile::close() {
    if (!m_error)
        m_error = writeAndClose(m_output, m_buffer);
    m_buffer = {};
    return m_error;
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
