#include "Parlino/Panel/FlowLayout.h"

#include <algorithm>

namespace Parlino {

QRectF FlowLayout::place(QSizeF size) {
    if (!m_rowEmpty && m_rowWidth + wordSpacing + size.width() > m_width) {
        m_rowTop += m_rowHeight + lineSpacing;
        m_rowWidth = 0;
        m_rowHeight = 0;
        m_rowEmpty = true;
    }
    const qreal x = m_rowEmpty ? 0 : m_rowWidth + wordSpacing;
    m_rowWidth = x + size.width();
    m_rowHeight = std::max(m_rowHeight, size.height());
    m_rowEmpty = false;
    return {m_origin + QPointF(x, m_rowTop), size};
}

qreal FlowLayout::height() const {
    return m_rowEmpty ? 0 : m_rowTop + m_rowHeight;
}

} // namespace Parlino
