#pragma once

#include "Parlino/Style/ScrollBarModel.h"

namespace Parlino::ScrollReveal {

// Where a vertical scroll area shows a band of its content whole: the band runs from `top` to
// `bottom` in the content's pixels, and the area's lowest `coveredBelow` pixels do not count while
// content lies below them, for the jump-to-end chevron is drawn there then.
bool showsWhole(const ScrollMetrics& metrics, qreal top, qreal bottom, qreal coveredBelow);

// The offset nearest to the current one at which the band shows whole, within the area's range;
// a band taller than the area's clear part shows its top.
qreal offsetShowing(const ScrollMetrics& metrics, qreal top, qreal bottom, qreal coveredBelow);

} // namespace Parlino::ScrollReveal
