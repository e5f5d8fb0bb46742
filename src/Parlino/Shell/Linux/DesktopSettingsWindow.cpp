#include "Parlino/Shell/Linux/DesktopSettingsWindow.h"

#include "Base/NotificationCenter.h"
#include "Parlino/Services/AppVersion.h"
#include "Parlino/Shell/BuildInformation.h"
#include "Parlino/Storage/RecordingsExporter.h"

#include <QCoreApplication>

namespace Parlino {

DesktopSettingsWindow::DesktopSettingsWindow(CompositionRoot& root, QNetworkAccessManager& session,
                                             MotionContext motion, PointerMotion& pointer,
                                             const SettingsKeys& keys, VoiceMeshTimeline& voiceArt)
    : m_root(root), m_session(session), m_motion(motion), m_pointer(pointer), m_keys(keys),
      m_voiceArt(voiceArt),
      m_loginItem(XdgAutostartLoginItem::defaultFolder(), QCoreApplication::applicationFilePath()),
      m_recordings(RecordingsExport::exporter(ClipLibrary::defaultRoot(),
                                              RecordingsExporter::defaultFolder()),
                   RecordingsExport::folderOpener(RecordingsExporter::defaultFolder())) {}

std::unique_ptr<SettingsWindow> DesktopSettingsWindow::make(SettingsNavigation& navigation) {
    const auto services = this->services();
    if (!services)
        return nullptr;
    return std::make_unique<SettingsWindow>(*services, navigation);
}

std::optional<SettingsServices> DesktopSettingsWindow::services() {
    if (!m_root.shortcuts())
        return std::nullopt;
    const QString version = BuildInformation::string(BuildInformation::dictionary(),
                                                     BuildInformation::applicationVersionKey);
    return SettingsServices{m_root.keychain(),
                            m_session,
                            configuredServiceBaseURL(),
                            Base::NotificationCenter::defaultCenter(),
                            m_motion,
                            m_pointer,
                            &QCoreApplication::quit,
                            m_keys,
                            *m_root.shortcuts(),
                            m_loginItem,
                            m_desktopSettings,
                            m_recordings,
                            m_root.cache(),
                            AppVersion::label(version, {}),
                            [root = &m_root] { root->panelController().presentOnboarding(); },
                            {m_root.voices(), m_root.voiceSamplePlayer(), m_voiceArt}};
}

} // namespace Parlino
