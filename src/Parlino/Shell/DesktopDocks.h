#pragma once

#include <QList>
#include <QRect>

namespace Parlino {

// The desktop's docks: the panels and tray strips that its window manager keeps above ordinary
// windows, whether or not the manager keeps room free for them.
class DesktopDocks {
public:
    virtual ~DesktopDocks() = default;

    // Where the docks shown now stand, in the desktop's logical pixels.
    virtual QList<QRect> docks() = 0;
};

} // namespace Parlino
