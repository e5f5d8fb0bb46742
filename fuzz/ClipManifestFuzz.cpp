// A clip's manifest in a real clip library: the clip is listed exactly when it loads, and its
// listed summary is the loaded clip's: its name and the start of its text. What loads is what the
// tree readers make of the manifest, and what an export reads of it is what they make of the keys
// an export needs.
#include "Base/Unicode.h"
#include "Parlino/Storage/ChunkFiles.h"
#include "Parlino/Storage/ClipFolderScan.h"
#include "Parlino/Storage/ClipLibrary.h"
#include "Parlino/Storage/ManifestEvents.h"
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

void write(const std::filesystem::path& file, QByteArrayView bytes) {
    QFile out(QString::fromStdString(file.string()));
    Fuzz::require(out.open(QIODevice::WriteOnly) && out.write(bytes.data(), bytes.size()) >= 0);
}

// The text, voice and words of the manifest as the tree readers see it; nothing when any of them
// refuses it.
std::optional<Parlino::ClipLibrary::Clip> readAsTree(const QByteArray& bytes) {
    using Base::Json::require;
    const auto document = Base::Json::parse(bytes);
    if (!document)
        return std::nullopt;
    const auto text = require<QString>(*document, "text");
    const auto voiceID = require<QString>(*document, "voiceID");
    if (Base::Json::firstError(text, voiceID, require<double>(*document, "totalDuration"),
                               require<double>(*document, "createdAt"),
                               Base::Json::optional<QString>(*document, "modelID")) ||
        !document->contains("words") || !document->contains("chunks"))
        return std::nullopt;
    const auto words = Core::wordTimingsFromJson(document->at("words"));
    if (!words || !Parlino::ChunkFiles::recordsFromJson(document->at("chunks")))
        return std::nullopt;
    return Parlino::ClipLibrary::Clip{*text, *voiceID, {}, Core::TimedWords(*words)};
}

// The keys an export needs, as the tree readers see them; nothing when any of them refuses the
// manifest, whatever its other keys hold.
struct Exported {
    QString text;
    double totalDuration = 0;
    double createdAt = 0;
    std::optional<QString> modelID;
    QList<QString> fileNames;
};

std::optional<Exported> exportAsTree(const QByteArray& bytes) {
    using Base::Json::require;
    const auto document = Base::Json::parse(bytes);
    if (!document)
        return std::nullopt;
    const auto text = require<QString>(*document, "text");
    const auto totalDuration = require<double>(*document, "totalDuration");
    const auto createdAt = require<double>(*document, "createdAt");
    const auto modelID = Base::Json::optional<QString>(*document, "modelID");
    if (Base::Json::firstError(text, totalDuration, createdAt, modelID) ||
        !document->contains("chunks"))
        return std::nullopt;
    const auto fileNames = Base::Json::arrayOf<QString>(document->at("chunks"),
                                                        &Parlino::ChunkFiles::fileNameFromJson);
    if (!fileNames)
        return std::nullopt;
    return Exported{*text, *totalDuration, *createdAt, *modelID, *fileNames};
}

// The export's reading of the manifest takes exactly what exportAsTree takes, and the same.
void checkExportReading(const std::filesystem::path& manifest, const QByteArray& bytes) {
    Parlino::ManifestEvents read(Parlino::ManifestEvents::Reading::clipExport);
    const auto tree = exportAsTree(bytes);
    Fuzz::require(read.read(manifest) == tree.has_value());
    if (!tree)
        return;
    QList<QString> fileNames;
    for (const auto& chunk : read.chunks)
        fileNames.append(chunk.fileName);
    Fuzz::require(Base::Json::text(read.text) == tree->text &&
                  read.totalDuration == tree->totalDuration && read.createdAt == tree->createdAt &&
                  read.modelID == tree->modelID && fileNames == tree->fileNames);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Library library;
    std::filesystem::create_directories(library.clipFolder);
    write(library.clipFolder / "manifest.json", Fuzz::bytes(data, size));
    write(library.clipFolder / "chunk-0.mp3", "abc");
    checkExportReading(library.clipFolder / "manifest.json", Fuzz::bytes(data, size));

    const auto listed = Parlino::ClipFolderScan::run(library.root, {}).clips.value(clip.rawValue);
    const bool isListed = !listed.summary.id.rawValue.isEmpty();
    Parlino::ClipLibrary clips(library.root);
    const auto loaded = clips.load(clip);
    Fuzz::require(isListed == loaded.has_value() || !std::filesystem::exists(library.clipFolder));
    if (loaded) {
        const auto tree = readAsTree(Fuzz::bytes(data, size));
        Fuzz::require(tree && tree->text == loaded->text && tree->voiceID == loaded->voiceID &&
                      tree->words == loaded->words);
    }
    if (isListed && loaded) {
        Fuzz::require(listed.summary.id == clip);
        Fuzz::require(loaded->text.startsWith(listed.summary.preview));
        const qsizetype previewLength = Base::Unicode::graphemePrefixLength(loaded->text, 200);
        Fuzz::require(listed.summary.preview.size() == previewLength);
    }
    std::filesystem::remove_all(library.root);
    return 0;
}
