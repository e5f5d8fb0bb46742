// Reading a store file that may be anything: for each kind of thing in the file's place (a regular
// file, links to a file, a folder, a device or nowhere, a named pipe, a folder) and each way in
// (its own folder or a link to it, links followed or refused), the read gives the file's bytes
// exactly when it is a regular file within the bound that the rules let it reach, the refusal the
// rules name otherwise, and never blocks.
#include "Base/Files.h"
#include "fuzz/FuzzInput.h"

#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace fs = std::filesystem;
using Base::Files::Links;

namespace {

enum class Kind { regular, linkToFile, linkToFolder, linkToDevice, danglingLink, pipe, folder };
constexpr int kinds = 7;

struct Scenario {
    Kind kind;
    bool folderIsLink;
    Links links;
    qint64 maxBytes;
    QByteArray contents;
};

std::optional<Scenario> scenario(const uint8_t* data, size_t size) {
    if (size < 3)
        return std::nullopt;
    return Scenario{Kind(data[0] % kinds), (data[1] & 1) != 0,
                    (data[1] & 2) != 0 ? Links::refuse : Links::follow, qint64(data[2]) * 4,
                    Fuzz::bytes(data + 3, size - 3)};
}

void writeFile(const fs::path& file, const QByteArray& contents) {
    QFile out(QString::fromStdString(file.string()));
    Fuzz::require(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    Fuzz::require(out.write(contents) == contents.size());
}

// Lays the scenario out under `root`; returns the path to read.
fs::path layOut(const fs::path& root, const Scenario& s) {
    const fs::path real = root / "real";
    fs::create_directories(real);
    writeFile(root / "target", s.contents);
    const fs::path file = real / "file";
    switch (s.kind) {
    case Kind::regular:
        writeFile(file, s.contents);
        break;
    case Kind::linkToFile:
        fs::create_symlink(root / "target", file);
        break;
    case Kind::linkToFolder:
        fs::create_directory_symlink(root, file);
        break;
    case Kind::linkToDevice:
        fs::create_symlink("/dev/zero", file);
        break;
    case Kind::danglingLink:
        fs::create_symlink(root / "nowhere", file);
        break;
    case Kind::pipe:
        Fuzz::require(::mkfifo(file.c_str(), 0600) == 0);
        break;
    case Kind::folder:
        fs::create_directory(file);
        break;
    }
    if (!s.folderIsLink)
        return file;
    fs::create_directory_symlink(real, root / "linked");
    return root / "linked" / "file";
}

// What the rules say the read gives: the contents, or the error.
std::variant<QByteArray, std::errc> expected(const Scenario& s) {
    const bool isLink = s.kind == Kind::linkToFile || s.kind == Kind::linkToFolder ||
                        s.kind == Kind::linkToDevice || s.kind == Kind::danglingLink;
    if (s.links == Links::refuse && (s.folderIsLink || isLink))
        return std::errc::too_many_symbolic_link_levels;
    switch (s.kind) {
    case Kind::regular:
    case Kind::linkToFile:
        if (s.contents.size() > s.maxBytes)
            return std::errc::file_too_large;
        return s.contents;
    case Kind::danglingLink:
        return std::errc::no_such_file_or_directory;
    default:
        return std::errc::not_supported;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto s = scenario(data, size);
    if (!s)
        return 0;
    static QTemporaryDir folder;
    const fs::path root = fs::path(folder.path().toStdString()) / "case";
    fs::remove_all(root);
    const fs::path file = layOut(root, *s);

    const auto read = Base::Files::readRegular(file, s->maxBytes, s->links);
    const auto want = expected(*s);
    if (const auto* contents = std::get_if<QByteArray>(&want))
        Fuzz::require(read && *read == *contents);
    else
        Fuzz::require(!read && read.error() == std::get<std::errc>(want));
    return 0;
}
