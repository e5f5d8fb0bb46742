#pragma once

#include "Base/Worker.h"

#include <QObject>

#include <filesystem>
#include <functional>

namespace Parlino {

// The one export of the saved clips into the Recordings folder that may run at a time in the
// application: it runs off the main thread, and when it ends, whether or not it succeeded, the
// folder is opened. Starting while an export runs does nothing. An export under way when this
// goes (at quit) stops after the clip it is writing, leaving the Recordings folder as it was, and
// the folder is not opened. Main thread.
class RecordingsExport final : public QObject {
    Q_OBJECT

public:
    // Starts the export on `worker` and calls `finished` on the main thread through `receiver`
    // once it has ended.
    using Runner = std::function<void(Base::Worker& worker, QObject& receiver,
                                      std::function<void()> finished)>;

    RecordingsExport(Runner run, std::function<void()> openFolder, QObject* parent = nullptr);

    // Exports the clips folder into the Recordings folder in the current time zone on a worker
    // thread; a failed export is dropped (the old folder stays as it was).
    static Runner exporter(std::filesystem::path clipsRoot, std::filesystem::path recordingsFolder);
    // Shows the folder in the desktop's file manager.
    static std::function<void()> folderOpener(std::filesystem::path folder);

    bool isRunning() const { return m_isRunning; }
    void start();

signals:
    void isRunningChanged();

private:
    void setRunning(bool running);

    Runner m_run;
    std::function<void()> m_openFolder;
    bool m_isRunning = false;
    Base::Worker m_worker; // declared last: waited for first
};

} // namespace Parlino
