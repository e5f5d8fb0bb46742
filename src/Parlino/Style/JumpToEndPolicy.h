#pragma once

#include "Parlino/Style/ScrollBarModel.h"

namespace Parlino {

// When a scroll area offers its jump-to-end chevron: never; whenever content lies below the
// visible area; or only then and while the pointer moves.
enum class JumpToEndPolicy { never, whenScrollable, whileThePointerMoves };

namespace JumpToEnd {
// More than half a pixel of content lies below the visible area; false for non-finite metrics
// and for a collapsed viewport.
bool canJump(const ScrollMetrics& metrics);
// Whether the chevron shows under the policy.
bool isShown(JumpToEndPolicy policy, const ScrollMetrics& metrics, bool pointerMoving);
} // namespace JumpToEnd

} // namespace Parlino
