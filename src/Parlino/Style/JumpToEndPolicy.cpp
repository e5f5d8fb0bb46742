#include "Parlino/Style/JumpToEndPolicy.h"

#include <cmath>

namespace Parlino {

bool JumpToEnd::canJump(const ScrollMetrics& m) {
    if (!std::isfinite(m.offset) || !std::isfinite(m.contentHeight))
        return false;
    if (!std::isfinite(m.viewportHeight) || m.viewportHeight <= 0 || m.contentHeight <= 0)
        return false;
    const qreal scrollable = m.contentHeight - m.viewportHeight;
    return scrollable > 0.5 && scrollable - m.offset > 0.5;
}

bool JumpToEnd::isShown(JumpToEndPolicy policy, const ScrollMetrics& metrics, bool pointerMoving) {
    switch (policy) {
    case JumpToEndPolicy::never:
        return false;
    case JumpToEndPolicy::whenScrollable:
        return canJump(metrics);
    case JumpToEndPolicy::whileThePointerMoves:
        return pointerMoving && canJump(metrics);
    }
    Q_UNREACHABLE();
}

} // namespace Parlino
