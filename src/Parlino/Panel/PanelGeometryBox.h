#pragma once

#include "Parlino/Panel/GeometryValue.h"

#include <QObject>

namespace Parlino {

// The reading panel's geometry as its view draws it: the band under the top edge that the
// content stays below, the warning row's height, whether the content is revealed, the measured
// transcript height and the screen's height. Written only by the panel controller; each setter
// notifies only a change. Main thread only.
class PanelGeometryBox : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    qreal topContentInset() const { return m_topContentInset; }
    void setTopContentInset(qreal value) {
        if (storeChanged(m_topContentInset, value))
            emit topContentInsetChanged();
    }
    qreal warningRowHeight() const { return m_warningRowHeight; }
    void setWarningRowHeight(qreal value) {
        if (storeChanged(m_warningRowHeight, value))
            emit warningRowHeightChanged();
    }
    bool revealed() const { return m_revealed; }
    void setRevealed(bool value) {
        if (storeChanged(m_revealed, value))
            emit revealedChanged();
    }
    qreal cachedTextHeight() const { return m_cachedTextHeight; }
    void setCachedTextHeight(qreal value) {
        if (storeChanged(m_cachedTextHeight, value))
            emit cachedTextHeightChanged();
    }
    qreal screenHeight() const { return m_screenHeight; }
    void setScreenHeight(qreal value) {
        if (storeChanged(m_screenHeight, value))
            emit screenHeightChanged();
    }

signals:
    void topContentInsetChanged();
    void warningRowHeightChanged();
    void revealedChanged();
    void cachedTextHeightChanged();
    void screenHeightChanged();

private:
    qreal m_topContentInset = 0;
    qreal m_warningRowHeight = 0;
    bool m_revealed = false;
    qreal m_cachedTextHeight = 8;
    qreal m_screenHeight = 900;
};

} // namespace Parlino
