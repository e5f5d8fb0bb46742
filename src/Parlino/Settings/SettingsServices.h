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

// What the settings panes use of the application: the key store, the service and its session,
// the notification centre, and the motion of the controls. Everything outlives the views.
struct SettingsServices {
    SecretStore& secrets;
    QNetworkAccessManager& session;
    QUrl serviceBaseURL;
    Base::NotificationCenter& notifications;
    MotionContext motion;
    PointerMotion& pointer;
    // Ends the application; the confirmed Quit row calls it.
    std::function<void()> terminate;
};

} // namespace Parlino
