#include "Parlino/Settings/RecordingsExport.h"

#include "Parlino/Services/SynthesisModelChoice.h"
#include "Parlino/Storage/RecordingsExporter.h"
#include "Parlino/Storage/StorageFiles.h"

#include <QDesktopServices>
#include <QUrl>

namespace Parlino {

RecordingsExport::RecordingsExport(Runner run, std::function<void()> openFolder, QObject* parent)
    : QObject(parent), m_run(std::move(run)), m_openFolder(std::move(openFolder)) {}

RecordingsExport::Runner RecordingsExport::exporter(std::filesystem::path clipsRoot,
                                                    std::filesystem::path recordingsFolder) {
    return [clipsRoot = std::move(clipsRoot), recordingsFolder = std::move(recordingsFolder)](
               Base::Worker& worker, QObject& receiver, std::function<void()> finished) {
        RecordingsExporter::exportInBackground(
            worker, receiver, clipsRoot, recordingsFolder, QTimeZone::systemTimeZone(),
            SynthesisModelChoices::transcriptModels(),
            [finished = std::move(finished)](const RecordingsExporter::Outcome&) { finished(); });
    };
}

std::function<void()> RecordingsExport::folderOpener(std::filesystem::path folder) {
    return [folder = std::move(folder)] {
        QDesktopServices::openUrl(QUrl::fromLocalFile(StorageFiles::toText(folder)));
    };
}

void RecordingsExport::start() {
    if (m_isRunning)
        return;
    setRunning(true);
    m_run(m_worker, *this, [this] {
        m_openFolder();
        setRunning(false);
    });
}

void RecordingsExport::setRunning(bool running) {
    if (running == m_isRunning)
        return;
    m_isRunning = running;
    emit isRunningChanged();
}

} // namespace Parlino
