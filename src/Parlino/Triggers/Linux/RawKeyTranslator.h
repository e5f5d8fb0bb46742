#pragma once

#include "Parlino/Triggers/TapEventSource.h"

#include <QSet>

#include <optional>

namespace Parlino {

// Turns the X server's raw key presses and releases into the events of a tap source: a
// modifier key going down or up becomes a flags-changed event with its virtual key code and
// the flags word of the modifiers then held; any other key going down becomes a key-down event.
// Raw events carry no modifier state, so the held modifiers are tracked here.
class RawKeyTranslator {
public:
    std::optional<TapSourceEvent> keyPressed(quint32 xKeyCode, bool isRepeat, double at);
    std::optional<TapSourceEvent> keyReleased(quint32 xKeyCode, double at);

private:
    quint64 flags() const;

    QSet<qint64> m_heldModifiers; // virtual key codes
};

} // namespace Parlino
