#pragma once

#include "Parlino/Style/MotionPreferences.h"

#include <QUrl>

#include <functional>

class QNetworkAccessManager;

namespace Base {
class NotificationCenter;
}

namespace Parlino {

class PointerMotion;
class SecretStore;
class VoiceMeshTimeline;
class VoiceSamplePlayer;
class VoicesModel;
struct SettingsKeys;

// What the voices pane uses: the account's voices, their samples, the one frame clock of the
// moving avatars and the settings that hold the chosen and recent voices.
struct VoiceServices {
    VoicesModel& model;
    VoiceSamplePlayer& samples;
    VoiceMeshTimeline& timeline;
    const SettingsKeys& keys;
};

// What the settings panes use of the application: the key store, the service and its session,
// the notification centre, the motion of the controls and the voices. Everything outlives the
// views.
struct SettingsServices {
    SecretStore& secrets;
    QNetworkAccessManager& session;
    QUrl serviceBaseURL;
    Base::NotificationCenter& notifications;
    MotionContext motion;
    PointerMotion& pointer;
    // Ends the application; the confirmed Quit row calls it.
    std::function<void()> terminate;
    VoiceServices voices;
};

} // namespace Parlino
