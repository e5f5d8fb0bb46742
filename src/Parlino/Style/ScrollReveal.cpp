#include "Parlino/Style/ScrollReveal.h"

#include "Parlino/Style/JumpToEndPolicy.h"

#include <algorithm>

namespace Parlino::ScrollReveal {

namespace {

// How far down the area's clear part reaches at `offset`.
qreal clearHeight(const ScrollMetrics& metrics, qreal offset, qreal coveredBelow) {
    ScrollMetrics at = metrics;
    at.offset = offset;
    return metrics.viewportHeight - (JumpToEnd::canJump(at) ? coveredBelow : 0);
}

} // namespace

bool showsWhole(const ScrollMetrics& metrics, qreal top, qreal bottom, qreal coveredBelow) {
    return top >= metrics.offset &&
           bottom <= metrics.offset + clearHeight(metrics, metrics.offset, coveredBelow);
}

qreal offsetShowing(const ScrollMetrics& metrics, qreal top, qreal bottom, qreal coveredBelow) {
    const qreal end = std::max<qreal>(0, metrics.contentHeight - metrics.viewportHeight);
    const auto within = [end](qreal offset) { return std::clamp<qreal>(offset, 0, end); };
    const auto showsWholeAt = [&](qreal offset) {
        ScrollMetrics at = metrics;
        at.offset = offset;
        return showsWhole(at, top, bottom, coveredBelow);
    };
    if (showsWholeAt(metrics.offset))
        return within(metrics.offset);
    // Below the clear part: its bottom goes just above the chevron, or to the end, where the
    // chevron is gone.
    if (top >= metrics.offset) {
        const qreal below = within(bottom - metrics.viewportHeight + coveredBelow);
        if (showsWholeAt(below))
            return below;
    }
    return within(top);
}

} // namespace Parlino::ScrollReveal
