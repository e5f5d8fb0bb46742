#include "Parlino/Storage/StagedChunks.h"

#include "Base/Files.h"
#include "Parlino/Storage/StorageFiles.h"

namespace Parlino {

namespace fs = std::filesystem;

std::shared_ptr<StagedChunks> StagedChunks::create(const fs::path& root) {
    return std::shared_ptr<StagedChunks>(new StagedChunks(root, StorageFiles::freshStagingName()));
}

StagedChunks::StagedChunks(fs::path root, fs::path name)
    : m_root(std::move(root)), m_name(std::move(name)),
      m_folder(m_root / StorageFiles::stagingName / m_name) {}

StagedChunks::~StagedChunks() {
    if (m_staging)
        m_staging->remove(m_name);
}

Base::Result<Base::Files::Folder, std::error_code> StagedChunks::open() {
    if (m_open)
        return *m_open;
    auto staging = StorageFiles::storeFolder(m_root, StorageFiles::stagingName, m_log);
    if (!staging)
        return Base::failure(staging.error());
    auto folder = staging->folder(m_name, Base::Files::Missing::create);
    if (!folder)
        return Base::failure(folder.error());
    m_staging = std::move(staging).value();
    m_open = std::move(folder).value();
    return *m_open;
}

Base::LazyBytes StagedChunks::keep(qsizetype index, const QByteArray& audio) {
    const fs::path name = QStringLiteral("chunk-%1.mp3").arg(index).toStdString();
    const auto folder = open();
    const std::error_code error =
        folder ? Base::Files::replaceRegular(*folder, name, audio) : folder.error();
    if (error) {
        m_log.error("chunk kept in memory idx=%{public}ld: %{public}s", index,
                    Base::Files::describe(error));
        return audio;
    }
    return Base::LazyBytes::inFile(m_folder / name, audio.size(), shared_from_this());
}

} // namespace Parlino
