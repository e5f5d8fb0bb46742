#include "Parlino/Storage/StagedChunks.h"

#include "Base/Files.h"

namespace Parlino {

namespace fs = std::filesystem;

std::shared_ptr<StagedChunks> StagedChunks::create(fs::path folder) {
    return std::shared_ptr<StagedChunks>(new StagedChunks(std::move(folder)));
}

StagedChunks::~StagedChunks() {
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
}

Base::LazyBytes StagedChunks::keep(qsizetype index, const QByteArray& audio) {
    const fs::path file = m_folder / QStringLiteral("chunk-%1.mp3").arg(index).toStdString();
    std::error_code error;
    fs::create_directories(m_folder, error);
    if (!error)
        error = Base::Files::replaceRegular(file, audio);
    if (error) {
        m_log.error("chunk kept in memory idx=%{public}ld: %{public}s", index,
                    Base::Files::describe(error));
        return audio;
    }
    return Base::LazyBytes::inFile(file, audio.size(), shared_from_this());
}

} // namespace Parlino
