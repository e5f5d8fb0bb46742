#pragma once

#include "Base/Date.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Style/MotionPreferences.h"

#include <QLocale>
#include <QTimeZone>

#include <functional>

namespace Parlino {

class PointerMotion;

// What a clips list needs besides its model: motion, the shared pointer flag, the settings it
// shows, and the clock, locale and time zone of its date lines.
struct ClipsViewEnvironment {
    MotionContext motion;
    PointerMotion& pointer;
    const SettingsKeys& keys;
    std::function<Base::Date()> now = &Base::Date::now;
    QLocale locale = QLocale();
    QTimeZone timeZone = QTimeZone::systemTimeZone();
};

} // namespace Parlino
