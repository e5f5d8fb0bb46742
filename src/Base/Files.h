#pragma once

#include "Base/Result.h"

#include <QByteArray>
#include <QString>

#include <filesystem>
#include <system_error>

// Reading and writing files that may be anything: a store's folder can hold a named pipe, a device
// or a link where a file was expected, and none of them may block, exhaust memory or lead
// elsewhere.
namespace Base::Files {

// Closes a descriptor when it goes out of scope.
struct FileDescriptor {
    explicit FileDescriptor(int descriptor) : fd(descriptor) {}
    int fd;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();
};

enum class Links {
    follow, // a link to a regular file is read
    refuse, // neither the file nor the folder holding it may be a link
};

// Reads a whole regular file of at most `maxBytes`, never blocking on opening it. Anything but a
// regular file fails with std::errc::not_supported; a refused link with
// std::errc::too_many_symbolic_link_levels; a larger file with std::errc::file_too_large.
Result<QByteArray, std::error_code> readRegular(const std::filesystem::path& file, qint64 maxBytes,
                                                Links links);

// Writes all of `bytes` to the descriptor and closes it, reporting a failure of either.
std::error_code writeAndClose(FileDescriptor& output, const QByteArray& bytes);

// Writes `bytes` as a new regular file in place of whatever is at `file`: a link, a pipe or a file
// found there is removed, never followed or opened. The folder may not be a link.
std::error_code replaceRegular(const std::filesystem::path& file, const QByteArray& bytes);

// Whether the failure was the file's own kind or size rather than the system's (permissions,
// input/output): what a store counts as damage.
bool isRefused(const std::error_code& error);
// The failure in words, for a log line: "not a regular file", "a symbolic link", "too large" or
// the system's description.
QString describe(const std::error_code& error);

} // namespace Base::Files
