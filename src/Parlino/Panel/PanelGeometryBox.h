#pragma once

#include <QObject>

namespace Parlino {

// The reading panel's geometry, written by the panel controller and read by the panel view.
// Each setter notifies only when the value changes. Main thread only.
class PanelGeometryBox final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    qreal topContentInset() const { return m_topContentInset; }
    void setTopContentInset(qreal value) {
        if (value == m_topContentInset)
            return;
        m_topContentInset = value;
        emit topContentInsetChanged();
    }

    qreal warningRowHeight() const { return m_warningRowHeight; }
    void setWarningRowHeight(qreal value) {
        if (value == m_warningRowHeight)
            return;
        m_warningRowHeight = value;
        emit warningRowHeightChanged();
    }

    bool revealed() const { return m_revealed; }
    void setRevealed(bool value) {
        if (value == m_revealed)
            return;
        m_revealed = value;
        emit revealedChanged();
    }

    qreal cachedTextHeight() const { return m_cachedTextHeight; }
    void setCachedTextHeight(qreal value) {
        if (value == m_cachedTextHeight)
            return;
        m_cachedTextHeight = value;
        emit cachedTextHeightChanged();
    }

    qreal screenHeight() const { return m_screenHeight; }
    void setScreenHeight(qreal value) {
        if (value == m_screenHeight)
            return;
        m_screenHeight = value;
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
