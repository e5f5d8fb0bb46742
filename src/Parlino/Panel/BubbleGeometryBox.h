#pragma once

#include <QObject>

namespace Parlino {

// The bubble's geometry, written by the panel controller and read by the bubble view: the pill's
// full height, the part of it below the screen's top inset, and the fraction of a pixel its
// window is widened by on each side. Each setter notifies only on a change. Main thread only.
class BubbleGeometryBox final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    bool revealed() const { return m_revealed; }
    void setRevealed(bool value) {
        if (value == m_revealed)
            return;
        m_revealed = value;
        emit revealedChanged();
    }

    qreal pillHeight() const { return m_pillHeight; }
    void setPillHeight(qreal value) {
        if (value == m_pillHeight)
            return;
        m_pillHeight = value;
        emit pillHeightChanged();
    }

    qreal visibleHeight() const { return m_visibleHeight; }
    void setVisibleHeight(qreal value) {
        if (value == m_visibleHeight)
            return;
        m_visibleHeight = value;
        emit visibleHeightChanged();
    }

    qreal horizontalBleed() const { return m_horizontalBleed; }
    void setHorizontalBleed(qreal value) {
        if (value == m_horizontalBleed)
            return;
        m_horizontalBleed = value;
        emit horizontalBleedChanged();
    }

signals:
    void revealedChanged();
    void pillHeightChanged();
    void visibleHeightChanged();
    void horizontalBleedChanged();

private:
    bool m_revealed = false;
    qreal m_pillHeight = 34;
    qreal m_visibleHeight = 34;
    qreal m_horizontalBleed = 0;
};

} // namespace Parlino
