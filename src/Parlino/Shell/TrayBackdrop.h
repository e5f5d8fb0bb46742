#pragma once

#include <QImage>
#include <QList>
#include <QRect>

#include <functional>

namespace Parlino {

// What the desktop shows of the tray that holds the application's icon. Main thread only.
class TrayBackdrop {
public:
    virtual ~TrayBackdrop() = default;

    // The colours the tray publishes for the icons it holds, as twelve 16-bit channels; empty
    // when it publishes none.
    virtual QList<quint32> publishedColours() = 0;
    // A picture of the screen at `place`, in the screen's logical pixels; null when none can be
    // taken.
    virtual QImage picture(const QRect& place) = 0;

    // Called when the tray may look different: it published other colours, or another tray took
    // over.
    std::function<void()> changed;
};

} // namespace Parlino
