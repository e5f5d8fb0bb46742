#pragma once

#include "Parlino/Panel/GeometryValue.h"

#include <QObject>

namespace Parlino {

// The bubble pill's geometry as its view draws it: whether it stands in place, its full height,
// the part of it below the notch, and the fraction of a point its window starts left of it.
// Written only by the panel controller; each setter notifies only a change. Main thread only.
class BubbleGeometryBox : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    bool revealed() const { return m_revealed; }
    void setRevealed(bool value) {
        if (storeChanged(m_revealed, value))
            emit revealedChanged();
    }
    qreal pillHeight() const { return m_pillHeight; }
    void setPillHeight(qreal value) {
        if (storeChanged(m_pillHeight, value))
            emit pillHeightChanged();
    }
    qreal visibleHeight() const { return m_visibleHeight; }
    void setVisibleHeight(qreal value) {
        if (storeChanged(m_visibleHeight, value))
            emit visibleHeightChanged();
    }
    qreal horizontalBleed() const { return m_horizontalBleed; }
    void setHorizontalBleed(qreal value) {
        if (storeChanged(m_horizontalBleed, value))
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
