#pragma once

#include "Base/Result.h"

#include <QString>

#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

namespace Base::Files {

enum class Missing {
    fail,   // a folder that is not there fails with std::errc::no_such_file_or_directory
    create, // a folder that is not there is made
};

// One name inside a folder: not empty, not "." or "..", without a separator. Only such names are
// reached relative to a Folder: a path of several would be followed through its folders.
bool isPlainName(const std::filesystem::path& name);

// A folder held open, through which everything below it is reached without following a link:
// each folder on the way is opened with O_NOFOLLOW | O_DIRECTORY and every file in it is made,
// renamed or removed relative to it (openat, renameat, unlinkat). A link standing where a folder
// is expected fails with std::errc::too_many_symbolic_link_levels, anything else but a folder
// with std::errc::not_a_directory; nothing is ever written or removed where a link leads.
// Copies share the one descriptor; any thread may use it.
class Folder {
public:
    // Opens `root`, one of the application's own folders, where the system finds it: the user's
    // folders, links among them, are taken as they stand. With Missing::create, the root and the
    // folders leading to it are made when they are missing.
    static Result<Folder, std::error_code> open(const std::filesystem::path& root,
                                                Missing missing = Missing::fail);

    // The folder at `relative` below this one, opened one component at a time; with
    // Missing::create, the missing ones are made on the way. `relative` holds plain names only.
    Result<Folder, std::error_code> folder(const std::filesystem::path& relative,
                                           Missing missing = Missing::fail) const;
    // Makes the folder `name`, which must not exist yet, and opens it.
    Result<Folder, std::error_code> newFolder(const std::filesystem::path& name) const;

    // Removes `name` with everything below it. A link is removed itself, never followed; a name
    // that is not there is no failure.
    std::error_code remove(const std::filesystem::path& name) const;
    // Moves `name` to `newName` in `to`, replacing a file or an empty folder standing there.
    std::error_code rename(const std::filesystem::path& name, const Folder& to,
                           const std::filesystem::path& newName) const;
    // Moves `name`, whatever it is (a link is moved itself), to the first free one of
    // "<name>.corrupt", "<name>.corrupt-2", … "<name>.corrupt-100" in this folder, replacing
    // nothing: a damaged file is kept for its owner rather than removed. The name it took, or
    // std::errc::file_exists when every one is taken.
    Result<std::filesystem::path, std::error_code>
    setAside(const std::filesystem::path& name) const;
    // Sets the modification time of `name`, which is not followed if it is a link.
    std::error_code setModified(const std::filesystem::path& name,
                                std::filesystem::file_time_type time) const;
    // What stands at `name` when it is something else than a regular file of its own (see
    // Base::Files::describeSpecial).
    std::optional<QString> describeSpecial(const std::filesystem::path& name) const;
    enum class Entry { missing, folder, other };
    // Whether `name` is there, and whether it is a folder; a link is not followed.
    Entry entry(const std::filesystem::path& name) const;

    int descriptor() const { return *m_descriptor; }

private:
    explicit Folder(int descriptor);

    std::shared_ptr<const int> m_descriptor; // closed with the last copy
};

} // namespace Base::Files
