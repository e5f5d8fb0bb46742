#pragma once

#include "Base/Folder.h"
#include "Base/LazyBytes.h"
#include "Base/Log.h"
#include "Base/Result.h"

#include <QByteArray>

#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

namespace Parlino {

// The audio of a read in progress, one file per chunk in a staging folder of the read's own, so
// that a long read holds on disk what it has received rather than in memory. The stores publish
// these files by linking them into their entries (ChunkFiles::write); the folder itself goes with
// the last of the chunks handed out and with this object, whichever is later. The folder is held
// open once made: a link put in its place, or in place of "staging", is never written through.
// Main thread only.
class StagedChunks : public std::enable_shared_from_this<StagedChunks> {
public:
    // A folder "staging"/<fresh UUID> under the store's `root`, made with the first chunk.
    static std::shared_ptr<StagedChunks> create(const std::filesystem::path& root);
    ~StagedChunks();
    StagedChunks(const StagedChunks&) = delete;
    StagedChunks& operator=(const StagedChunks&) = delete;

    // Writes chunk `index` to "chunk-<index>.mp3", replacing an earlier answer for it (and anything
    // else found under that name), and hands back its bytes as read from there. When it cannot be
    // written the bytes stay in memory, which is logged.
    Base::LazyBytes keep(qsizetype index, const QByteArray& audio);

    const std::filesystem::path& folder() const { return m_folder; }

private:
    StagedChunks(std::filesystem::path root, std::filesystem::path name);
    // The folder, made at the first call that can.
    Base::Result<Base::Files::Folder, std::error_code> open();

    const std::filesystem::path m_root;
    const std::filesystem::path m_name;
    const std::filesystem::path m_folder;
    std::optional<Base::Files::Folder> m_staging; // "staging", once the folder is made
    std::optional<Base::Files::Folder> m_open;    // the folder itself
    Base::Log m_log{QStringLiteral("cacheStore")};
};

} // namespace Parlino
