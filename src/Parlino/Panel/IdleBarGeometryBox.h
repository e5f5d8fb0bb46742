#pragma once

#include <QObject>

namespace Parlino {

// The idle bar's geometry, written by the panel controller and read by the idle bar view. A new
// presentationID starts the bar afresh. Each setter notifies only on a change. Main thread only.
class IdleBarGeometryBox final : public QObject {
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

    qreal slideDistance() const { return m_slideDistance; }
    void setSlideDistance(qreal value) {
        if (value == m_slideDistance)
            return;
        m_slideDistance = value;
        emit slideDistanceChanged();
    }

    qreal horizontalBleed() const { return m_horizontalBleed; }
    void setHorizontalBleed(qreal value) {
        if (value == m_horizontalBleed)
            return;
        m_horizontalBleed = value;
        emit horizontalBleedChanged();
    }

    qint64 presentationID() const { return m_presentationID; }
    void setPresentationID(qint64 value) {
        if (value == m_presentationID)
            return;
        m_presentationID = value;
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
