#include "Parlino/Style/ScrollBarModel.h"

#include <algorithm>

namespace Parlino {

bool ScrollBar::isShown(const ScrollMetrics& m) {
    return m.viewportHeight > 0 && m.viewportHeight + 1 < m.contentHeight;
}

ScrollBarGeometry ScrollBar::geometry(const ScrollMetrics& m) {
    ScrollBarGeometry bar;
    bar.trackLength = std::max<qreal>(m.viewportHeight - 2 * inset, 0);
    // Only called for shown bars in practice, but a zero content height must not divide.
    const qreal share = m.contentHeight > 0 ? m.viewportHeight / m.contentHeight : 1;
    bar.thumbLength =
        std::min(std::max(bar.trackLength * share, minimumThumbLength), bar.trackLength);
    const qreal scrollable = m.contentHeight - m.viewportHeight;
    const qreal progress = scrollable > 0 ? std::clamp<qreal>(m.offset / scrollable, 0, 1) : 0;
    bar.thumbOffset = progress * (bar.trackLength - bar.thumbLength);
    return bar;
}

namespace {
bool store(qreal& field, qreal value) {
    if (field == value)
        return false;
    field = value;
    return true;
}
} // namespace

void ScrollBarModel::setOffset(qreal offset) {
    if (store(m_metrics.offset, offset))
        emit offsetChanged();
}

void ScrollBarModel::setContentHeight(qreal height) {
    if (store(m_metrics.contentHeight, height))
        emit contentHeightChanged();
}

void ScrollBarModel::setViewportHeight(qreal height) {
    if (store(m_metrics.viewportHeight, height))
        emit viewportHeightChanged();
}

} // namespace Parlino
