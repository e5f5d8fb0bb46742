#pragma once

#include "Base/LazyBytes.h"
#include "Base/Log.h"

#include <QByteArray>

#include <filesystem>
#include <memory>

namespace Parlino {

// The audio of a read in progress, one file per chunk in a staging folder of the read's own, so
// that a long read holds on disk what it has received rather than in memory. The stores publish
// these files by linking them into their entries (ChunkFiles::write); the folder itself goes with
// the last of the chunks handed out and with this object, whichever is later. Main thread only.
class StagedChunks : public std::enable_shared_from_this<StagedChunks> {
public:
    // The folder is made with the first chunk.
    static std::shared_ptr<StagedChunks> create(std::filesystem::path folder);
    ~StagedChunks();
    StagedChunks(const StagedChunks&) = delete;
    StagedChunks& operator=(const StagedChunks&) = delete;

    // Writes chunk `index` to "chunk-<index>.mp3", replacing an earlier answer for it (and anything
    // else found under that name), and hands back its bytes as read from there. When it cannot be
    // written the bytes stay in memory, which is logged.
    Base::LazyBytes keep(qsizetype index, const QByteArray& audio);

    const std::filesystem::path& folder() const { return m_folder; }

private:
    explicit StagedChunks(std::filesystem::path folder) : m_folder(std::move(folder)) {}

    const std::filesystem::path m_folder;
    Base::Log m_log{QStringLiteral("cacheStore")};
};

} // namespace Parlino
