#pragma once

#include "Parlino/Style/MotionPreferences.h"

#include <QString>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;

namespace Base {
class NotificationCenter;
}

namespace KeyboardShortcuts {
class ShortcutRegistry;
}

namespace Parlino {

class CacheStore;
class DesktopSettings;
class LoginItem;
class PointerMotion;
class RecordingsExport;
class SecretStore;
class VoiceMeshTimeline;
class VoiceSamplePlayer;
class VoicesModel;
struct SettingsKeys;

// What the voices pane uses: the account's voices, their samples and the one frame clock of the
// moving avatars.
struct VoiceServices {
    VoicesModel& model;
    VoiceSamplePlayer& samples;
    VoiceMeshTimeline& timeline;
};

// What the settings panes use of the application: the key store, the service and its session,
// the notification centre, the motion of the controls, the settings and the shortcut registry
// the recorders pause, the desktop's services, the one recordings export, the audio cache, the
// version and the voices. Everything outlives the views.
struct SettingsServices {
    SecretStore& secrets;
    QNetworkAccessManager& session;
    QUrl serviceBaseURL;
    Base::NotificationCenter& notifications;
    MotionContext motion;
    PointerMotion& pointer;
    // Ends the application; the confirmed Quit row calls it.
    std::function<void()> terminate;
    const SettingsKeys& keys;
    KeyboardShortcuts::ShortcutRegistry& shortcuts;
    LoginItem& loginItem;
    DesktopSettings& desktopSettings;
    RecordingsExport& recordings;
    CacheStore& cache;
    QString versionLabel;
    // Presents the tutorial again ("Show Tutorial Again"); empty: the button does nothing.
    std::function<void()> showOnboarding;
    VoiceServices voices;
};

} // namespace Parlino
