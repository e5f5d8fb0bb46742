// A clip's manifest in a real clip library: the clip is listed exactly when it loads.
#include "Parlino/Storage/ClipLibrary.h"
#include "fuzz/FuzzInput.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

const Parlino::ClipID clip{QStringLiteral("clip-20260105T134501123Z-0123abcd")};

struct Library {
    QTemporaryDir folder;
    std::filesystem::path root = std::filesystem::path(folder.path().toStdString()) / "clips";
    std::filesystem::path clipFolder = root / clip.rawValue.toStdString();
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Library library;
    std::filesystem::create_directories(library.clipFolder);
    QFile manifest(QString::fromStdString((library.clipFolder / "manifest.json").string()));
    QFile chunk(QString::fromStdString((library.clipFolder / "chunk-0.mp3").string()));
    Fuzz::require(manifest.open(QIODevice::WriteOnly) && chunk.open(QIODevice::WriteOnly));
    manifest.write(reinterpret_cast<const char*>(data), qint64(size));
    manifest.close();
    chunk.write("abc");
    chunk.close();

    Parlino::ClipLibrary clips(library.root);
    const bool listed = !clips.list().isEmpty();
    Fuzz::require(listed == clips.load(clip).has_value() ||
                  !std::filesystem::exists(library.clipFolder));
    std::filesystem::remove_all(library.root);
    return 0;
}
