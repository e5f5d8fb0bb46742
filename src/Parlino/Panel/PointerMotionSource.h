#pragma once

#include <functional>

namespace Parlino {

// Reports pointer movement anywhere on the desktop, over this application's windows and any
// other, on the main thread: from start() until stop(), each batch of movements runs the
// handler once. Nothing is watched while stopped.
class PointerMotionSource {
public:
    virtual ~PointerMotionSource() = default;

    // Begins watching, replacing any earlier handler; false when motion cannot be watched.
    virtual bool start(std::function<void()> onMotion) = 0;
    virtual void stop() = 0;
};

} // namespace Parlino
