#pragma once

#include "Parlino/Panel/GeometryValue.h"

#include <QObject>

namespace Parlino {

// The idle bar's geometry as its view draws it: whether it stands in place, its height, how far
// it slides up when it retracts, the fraction of a point its window starts left of it, and the
// identity of the current presentation (raised each time the window is presented or ordered
// out). Written only by the panel controller; each setter notifies only a change. Main thread only.
class IdleBarGeometryBox : public QObject {
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
    qreal slideDistance() const { return m_slideDistance; }
    void setSlideDistance(qreal value) {
        if (storeChanged(m_slideDistance, value))
            emit slideDistanceChanged();
    }
    qreal horizontalBleed() const { return m_horizontalBleed; }
    void setHorizontalBleed(qreal value) {
        if (storeChanged(m_horizontalBleed, value))
            emit horizontalBleedChanged();
    }
    qint64 presentationID() const { return m_presentationID; }
    void setPresentationID(qint64 value) {
        if (storeChanged(m_presentationID, value))
            emit presentationIDChanged();
    }

signals:
    void revealedChanged();
    void pillHeightChanged();
    void slideDistanceChanged();
    void horizontalBleedChanged();
    void presentationIDChanged();

private:
    bool m_revealed = false;
    qreal m_pillHeight = 14;
    qreal m_slideDistance = 14;
    qreal m_horizontalBleed = 0;
    qint64 m_presentationID = 0;
};

} // namespace Parlino
