#pragma once

#include <QObject>
#include <QtGlobal>

#include <functional>

namespace Parlino {

// The three numbers a vertical scroll area reports, in logical pixels: offset is 0 at the top
// and grows as the user scrolls down.
struct ScrollMetrics {
    qreal offset = 0;
    qreal contentHeight = 0;
    qreal viewportHeight = 0;
};

// Where the overlay bar draws, measured down from the top of its track.
struct ScrollBarGeometry {
    qreal trackLength = 0;
    qreal thumbLength = 0;
    qreal thumbOffset = 0;
};

namespace ScrollBar {
constexpr qreal width = 5;
constexpr qreal inset = 3;
constexpr qreal minimumThumbLength = 24;
constexpr double thumbOpacity = 0.35; // of white; the track is Theme::white07

// The bar shows only when the content is taller than the visible area by more than 1 pixel.
bool isShown(const ScrollMetrics& metrics);
ScrollBarGeometry geometry(const ScrollMetrics& metrics);
} // namespace ScrollBar

// The metrics of one scroll area, written by the area and read by its overlays. An equal write
// notifies nobody. `scrollToEnd` is installed by the area. Main thread only.
class ScrollBarModel : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    const ScrollMetrics& metrics() const { return m_metrics; }
    qreal offset() const { return m_metrics.offset; }
    qreal contentHeight() const { return m_metrics.contentHeight; }
    qreal viewportHeight() const { return m_metrics.viewportHeight; }

    void setOffset(qreal offset);
    void setContentHeight(qreal height);
    void setViewportHeight(qreal height);

    std::function<void()> scrollToEnd;

signals:
    void offsetChanged();
    void contentHeightChanged();
    void viewportHeightChanged();

private:
    ScrollMetrics m_metrics;
};

} // namespace Parlino
