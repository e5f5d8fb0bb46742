#pragma once

#include "Parlino/Style/MotionPreferences.h"

#include <QString>

#include <filesystem>

namespace KeyboardShortcuts {
class ShortcutRegistry;
}

namespace Parlino {

struct SettingsKeys;
class DesktopSettings;
class LoginItem;
class RecordingsExport;

// What the settings panes use of the application: its settings, the shortcut registry the
// recorders pause, the desktop's services, the one recordings export, the audio cache's folder
// and the version label. The application owns every part and outlives the panes.
struct PaneServices {
    const SettingsKeys& keys;
    MotionContext motion;
    KeyboardShortcuts::ShortcutRegistry& shortcuts;
    LoginItem& loginItem;
    DesktopSettings& desktopSettings;
    RecordingsExport& recordings;
    std::filesystem::path cacheRoot;
    QString versionLabel;
};

} // namespace Parlino
