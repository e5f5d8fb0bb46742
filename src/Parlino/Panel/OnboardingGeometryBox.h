#pragma once

#include "Parlino/Panel/GeometryValue.h"

#include <QObject>

namespace Parlino {

// The tutorial card's geometry as its view draws it: whether it is in, its height, how far it
// rises when it leaves (its window's height), whether it is leaving for good, and the identity
// of the current presentation. Written only by the panel controller; each setter notifies only a
// change. Main thread only.
class OnboardingGeometryBox : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    bool revealed() const { return m_revealed; }
    void setRevealed(bool value) {
        if (storeChanged(m_revealed, value))
            emit revealedChanged();
    }
    qreal height() const { return m_height; }
    void setHeight(qreal value) {
        if (storeChanged(m_height, value))
            emit heightChanged();
    }
    qreal exitTravel() const { return m_exitTravel; }
    void setExitTravel(qreal value) {
        if (storeChanged(m_exitTravel, value))
            emit exitTravelChanged();
    }
    bool isExiting() const { return m_isExiting; }
    void setIsExiting(bool value) {
        if (storeChanged(m_isExiting, value))
            emit isExitingChanged();
    }
    qint64 presentationID() const { return m_presentationID; }
    void setPresentationID(qint64 value) {
        if (storeChanged(m_presentationID, value))
            emit presentationIDChanged();
    }

signals:
    void revealedChanged();
    void heightChanged();
    void exitTravelChanged();
    void isExitingChanged();
    void presentationIDChanged();

private:
    bool m_revealed = false;
    qreal m_height = 132;
    qreal m_exitTravel = 132;
    bool m_isExiting = false;
    qint64 m_presentationID = 0;
};

} // namespace Parlino
