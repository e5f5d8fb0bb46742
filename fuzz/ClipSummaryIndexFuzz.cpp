// The clip summary index: every line it trusts writes back to a file that reads to the same clips.
#include "Parlino/Storage/ClipSummaryIndex.h"
#include "fuzz/FuzzInput.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

struct Folder {
    QTemporaryDir folder;
    std::filesystem::path read = std::filesystem::path(folder.path().toStdString()) / "read";
    std::filesystem::path written = std::filesystem::path(folder.path().toStdString()) / "written";
};

bool same(const Parlino::ListedClip& a, const Parlino::ListedClip& b) {
    return a.modifiedNanoseconds == b.modifiedNanoseconds && a.size == b.size &&
           a.summary == b.summary;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Folder folder;
    QFile file(QString::fromStdString(folder.read.string()));
    Fuzz::require(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();

    const auto contents = Parlino::ClipSummaryIndex(folder.read).read();
    Fuzz::require(contents.clips.size() <= contents.lines);
    const Parlino::ClipSummaryIndex written(folder.written);
    written.rewrite(contents.clips);
    const auto again = written.read();
    Fuzz::require(again.clips.size() == contents.clips.size());
    for (auto clip = contents.clips.begin(); clip != contents.clips.end(); ++clip) {
        const auto other = again.clips.find(clip.key());
        Fuzz::require(other != again.clips.end() && same(*clip, *other));
    }
    return 0;
}
