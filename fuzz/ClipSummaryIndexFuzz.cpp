// The clip summary index beside real clips whose texts hold tabs, line feeds and backslashes:
// the index written from their manifests reads back to the clips their manifests give, and
// whatever follows it (or stands in its place), the clips found with it are the clips found from
// their manifests alone, and every line it trusts writes back to a file that reads to the same
// clips.
#include "Parlino/Storage/ClipFolderScan.h"
#include "Parlino/Storage/ClipSummaryIndex.h"
#include "fuzz/FuzzInput.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

namespace fs = std::filesystem;
using Parlino::ListedClip;

void write(const fs::path& file, QByteArrayView bytes) {
    QFile out(QString::fromStdString(file.string()));
    Fuzz::require(out.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                  out.write(bytes.data(), bytes.size()) == bytes.size());
}

// Two saved clips, made once.
struct Library {
    QTemporaryDir folder;
    fs::path root = fs::path(folder.path().toStdString()) / "clips";
    fs::path index = fs::path(folder.path().toStdString()) / "read";
    fs::path written = fs::path(folder.path().toStdString()) / "written";

    // The texts as JSON writes them: a tab, a line feed, a carriage return, backslashes, and a
    // backslash before the letter n that is no line feed.
    Library() {
        addClip("clip-20260105T134501123Z-0123abcd", R"(First clip.\tIt has\ntwo sentences.)", 1.5);
        addClip("clip-20260106T090000000Z-89abcdef", R"(Second \\n clip \\\\ \\t\r\n)", 0.25);
    }

    void addClip(const char* name, const char* text, double duration) {
        const fs::path folder = root / name;
        fs::create_directories(folder);
        write(folder / "chunk-0.mp3", "abc");
        write(folder / "manifest.json",
              QByteArray(R"({"text":")") + text + R"(","createdAt":7.5e8,"totalDuration":)" +
                  QByteArray::number(duration) +
                  R"(,"voiceID":"v","chunks":[{"fileName":"chunk-0.mp3","sizeBytes":3,)" +
                  R"("duration":)" + QByteArray::number(duration) + R"(}],"words":[]})");
    }
};

bool same(const QHash<QString, ListedClip>& a, const QHash<QString, ListedClip>& b) {
    if (a.size() != b.size())
        return false;
    for (auto clip = a.begin(); clip != a.end(); ++clip) {
        const auto other = b.find(clip.key());
        if (other == b.end() || other->folder != clip->folder ||
            other->manifest != clip->manifest || other->summary != clip->summary)
            return false;
    }
    return true;
}

// The index as the library writes it for the clips its manifests give, checked to read back to
// them.
QByteArray indexOf(const Library& library, const QHash<QString, ListedClip>& fromManifests) {
    QString previews;
    for (const auto& clip : fromManifests)
        previews += clip.summary.preview;
    for (const QChar c : {u'\t', u'\n', u'\r', u'\\'})
        Fuzz::require(previews.contains(c));
    Parlino::ClipSummaryIndex index(library.written);
    index.rewrite(fromManifests);
    Fuzz::require(same(index.read().clips, fromManifests));
    QFile file(QString::fromStdString(library.written.string()));
    Fuzz::require(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Library library;
    static const auto fromManifests = Parlino::ClipFolderScan::run(library.root, {}).clips;
    static const QByteArray ownIndex = indexOf(library, fromManifests);
    Fuzz::require(fromManifests.size() == 2);
    // An odd first byte puts the fuzzer's lines after the ones the library wrote.
    const bool afterWritten = size > 0 && (data[0] & 1);
    write(library.index, (afterWritten ? ownIndex : QByteArray()) + Fuzz::bytes(data, size));

    const auto contents = Parlino::ClipSummaryIndex(library.index).read();
    Fuzz::require(contents.clips.size() <= contents.lines);
    Fuzz::require(
        same(Parlino::ClipFolderScan::run(library.root, contents.clips).clips, fromManifests));

    Parlino::ClipSummaryIndex written(library.written);
    written.rewrite(contents.clips);
    Fuzz::require(same(written.read().clips, contents.clips));
    return 0;
}
