#pragma once

#include "Parlino/Settings/Linux/DesktopAccessibilitySettings.h"
#include "Parlino/Settings/Linux/XdgAutostartLoginItem.h"
#include "Parlino/Settings/RecordingsExport.h"
#include "Parlino/Settings/SettingsWindow.h"
#include "Parlino/Shell/CompositionRoot.h"

#include <memory>
#include <optional>

namespace Parlino {

class PointerMotion;
class SettingsNavigation;
class VoiceMeshTimeline;

// Makes the standalone settings window over the desktop's services: the autostart entry, the
// desktop's accessibility settings and the one recordings export, which it keeps. Lives as long
// as the root. Main thread only.
class DesktopSettingsWindow final {
public:
    DesktopSettingsWindow(CompositionRoot& root, QNetworkAccessManager& session,
                          MotionContext motion, PointerMotion& pointer, const SettingsKeys& keys,
                          VoiceMeshTimeline& voiceArt);

    // None where the desktop has no hot keys for the shortcut recorders.
    std::unique_ptr<SettingsWindow> make(SettingsNavigation& navigation);
    // What every settings surface runs on, the window's and the panel's; none where the make
    // above makes none.
    std::optional<SettingsServices> services();

private:
    CompositionRoot& m_root;
    QNetworkAccessManager& m_session;
    MotionContext m_motion;
    PointerMotion& m_pointer;
    const SettingsKeys& m_keys;
    VoiceMeshTimeline& m_voiceArt;
    XdgAutostartLoginItem m_loginItem;
    DesktopAccessibilitySettings m_desktopSettings;
    RecordingsExport m_recordings;
};

} // namespace Parlino
