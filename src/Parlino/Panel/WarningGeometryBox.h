#pragma once

#include "Parlino/Panel/GeometryValue.h"

#include <QObject>

namespace Parlino {

// The warning pill's geometry as its view draws it: whether it is in, its height, and the
// identity of the current presentation (each presentation starts a fresh pill). Written only by
// the panel controller; each setter notifies only a change. Main thread only.
class WarningGeometryBox : public QObject {
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
    qint64 presentationID() const { return m_presentationID; }
    void setPresentationID(qint64 value) {
        if (storeChanged(m_presentationID, value))
            emit presentationIDChanged();
    }

signals:
    void revealedChanged();
    void pillHeightChanged();
    void presentationIDChanged();

private:
    bool m_revealed = false;
    qreal m_pillHeight = 34;
    qint64 m_presentationID = 0;
};

} // namespace Parlino
