#pragma once

#include "Base/Result.h"

#include <QByteArray>
#include <QString>

#include <filesystem>
#include <system_error>

// Reading files that may be anything: a store's folder can hold a named pipe, a device or a link
// where a file was expected, and none of them may block, exhaust memory or lead elsewhere.
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

// Whether the failure was the file's own kind or size rather than the system's (permissions,
// input/output): what a store counts as damage.
bool isRefused(const std::error_code& error);
// The failure in words, for a log line: "not a regular file", "a symbolic link", "too large" or
// the system's description.
QString describe(const std::error_code& error);

} // namespace Base::Files
