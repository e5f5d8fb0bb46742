#pragma once

#include "Parlino/Shell/TrayBackdrop.h"

namespace Parlino {

// The system tray of the X11 desktop: the colours its manager publishes on its own window, and
// the screen's pixels, through the application's own X connection. Without X11 it has neither.
class X11TrayBackdrop final : public TrayBackdrop {
public:
    QList<quint32> publishedColours() override;
    QImage picture(const QRect& place) override;
};

} // namespace Parlino
