#include "Base/Folder.h"

#include "Base/Files.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Base::Files {

namespace fs = std::filesystem;

namespace {

constexpr int folderFlags = O_RDONLY | O_CLOEXEC | O_DIRECTORY | O_NOFOLLOW;

// Deeper than any folder the application makes: a tree deeper still is not removed whole.
constexpr int maxRemovalDepth = 64;

std::error_code lastError() {
    return {errno, std::system_category()};
}

// Opens the folder `name` in `parent` without following it; a link or another file standing
// there is told apart from a missing folder.
int openChild(int parent, const char* name) {
    const int folder = ::openat(parent, name, folderFlags);
    if (folder < 0 && (errno == ENOTDIR || errno == ELOOP)) {
        struct stat info {};
        const bool isLink =
            ::fstatat(parent, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
        errno = isLink ? ELOOP : ENOTDIR;
    }
    return folder;
}

std::error_code removeBelow(int parent, const char* name, int depth);

// Renames without replacing what stands at `newName`: atomically where the file system can,
// otherwise after a look.
int renameNoReplace(int folder, const char* name, const char* newName) {
    const int renamed = ::renameat2(folder, name, folder, newName, RENAME_NOREPLACE);
    if (renamed == 0 || (errno != EINVAL && errno != ENOSYS))
        return renamed;
    struct stat info {};
    if (::fstatat(folder, newName, &info, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::renameat(folder, name, folder, newName);
}

// Removes everything inside the folder `folder`, which it closes.
std::error_code removeContents(int folder, int depth) {
    DIR* listing = ::fdopendir(folder);
    if (!listing) {
        const auto error = lastError();
        ::close(folder);
        return error;
    }
    // Names first, removals after: removing while listing may skip entries.
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    std::error_code first;
    for (const std::string& name : names) {
        const auto error = removeBelow(::dirfd(listing), name.c_str(), depth + 1);
        if (error && !first)
            first = error;
    }
    ::closedir(listing);
    return first;
}

std::error_code removeBelow(int parent, const char* name, int depth) {
    if (::unlinkat(parent, name, 0) == 0 || errno == ENOENT)
        return {};
    if (errno != EISDIR && errno != EPERM)
        return lastError();
    if (depth >= maxRemovalDepth)
        return std::make_error_code(std::errc::filename_too_long);
    const int folder = ::openat(parent, name, folderFlags);
    if (folder < 0)
        return lastError();
    if (const auto error = removeContents(folder, depth))
        return error;
    if (::unlinkat(parent, name, AT_REMOVEDIR) == 0 || errno == ENOENT)
        return {};
    return lastError();
}

} // namespace

bool isPlainName(const fs::path& name) {
    const std::string& text = name.native();
    return !text.empty() && text != "." && text != ".." && text.find('/') == std::string::npos;
}

Folder::Folder(int descriptor)
    : m_descriptor(new int(descriptor), [](const int* fd) {
          ::close(*fd);
          delete fd;
      }) {}

Result<Folder, std::error_code> Folder::open(const fs::path& root, Missing missing) {
    if (missing == Missing::create) {
        std::error_code ignored;
        fs::create_directories(root, ignored);
    }
    const int descriptor = ::open(root.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
    if (descriptor < 0)
        return failure(lastError());
    return Folder(descriptor);
}

Result<Folder, std::error_code> Folder::folder(const fs::path& relative, Missing missing) const {
    if (relative.empty())
        return failure(std::make_error_code(std::errc::invalid_argument));
    Folder current = *this;
    for (const fs::path& name : relative) {
        if (!isPlainName(name))
            return failure(std::make_error_code(std::errc::invalid_argument));
        int child = openChild(current.descriptor(), name.c_str());
        if (child < 0 && errno == ENOENT && missing == Missing::create) {
            if (::mkdirat(current.descriptor(), name.c_str(), 0755) != 0 && errno != EEXIST)
                return failure(lastError());
            child = openChild(current.descriptor(), name.c_str());
        }
        if (child < 0)
            return failure(lastError());
        current = Folder(child);
    }
    return current;
}

Result<Folder, std::error_code> Folder::newFolder(const fs::path& name) const {
    if (!isPlainName(name))
        return failure(std::make_error_code(std::errc::invalid_argument));
    if (::mkdirat(descriptor(), name.c_str(), 0755) != 0)
        return failure(lastError());
    return folder(name);
}

std::error_code Folder::remove(const fs::path& name) const {
    if (!isPlainName(name))
        return std::make_error_code(std::errc::invalid_argument);
    return removeBelow(descriptor(), name.c_str(), 0);
}

std::error_code Folder::rename(const fs::path& name, const Folder& to,
                               const fs::path& newName) const {
    if (!isPlainName(name) || !isPlainName(newName))
        return std::make_error_code(std::errc::invalid_argument);
    if (::renameat(descriptor(), name.c_str(), to.descriptor(), newName.c_str()) != 0)
        return lastError();
    return {};
}

Result<fs::path, std::error_code> Folder::setAside(const fs::path& name) const {
    if (!isPlainName(name))
        return failure(std::make_error_code(std::errc::invalid_argument));
    constexpr int names = 100;
    for (int attempt = 1; attempt <= names; ++attempt) {
        fs::path aside = name;
        aside += attempt == 1 ? ".corrupt" : ".corrupt-" + std::to_string(attempt);
        if (renameNoReplace(descriptor(), name.c_str(), aside.c_str()) == 0)
            return aside;
        if (errno != EEXIST)
            return failure(lastError());
    }
    return failure(std::make_error_code(std::errc::file_exists));
}

std::error_code Folder::setModified(const fs::path& name, fs::file_time_type time) const {
    using namespace std::chrono;
    const auto since1970 = file_clock::to_sys(time).time_since_epoch();
    const auto seconds = floor<std::chrono::seconds>(since1970);
    const timespec times[2] = {
        {0, UTIME_OMIT},
        {time_t(seconds.count()), long(duration_cast<nanoseconds>(since1970 - seconds).count())}};
    if (!isPlainName(name))
        return std::make_error_code(std::errc::invalid_argument);
    if (::utimensat(descriptor(), name.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        return lastError();
    return {};
}

Folder::Entry Folder::entry(const fs::path& name) const {
    struct stat info {};
    if (::fstatat(descriptor(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return Entry::missing;
    return S_ISDIR(info.st_mode) ? Entry::folder : Entry::other;
}

std::optional<QString> Folder::describeSpecial(const fs::path& name) const {
    struct stat info {};
    if (::fstatat(descriptor(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return describeStatus(info);
}

} // namespace Base::Files
