#include "Parlino/Style/ScrollBarFader.h"

#include <QPointer>

#include <cmath>

namespace Parlino {

ScrollBarFader::ScrollBarFader(const ScrollBarModel& model, Base::Scheduler& scheduler,
                               QObject* parent)
    : QObject(parent), m_model(model), m_scheduler(scheduler), m_lastOffset(model.offset()) {
    connect(&model, &ScrollBarModel::offsetChanged, this, &ScrollBarFader::offsetMoved);
}

void ScrollBarFader::offsetMoved() {
    const qreal offset = m_model.offset();
    const qreal travel = std::abs(offset - m_lastOffset);
    m_lastOffset = offset;
    if (!std::isfinite(travel))
        return; // a non-finite offset must not poison the gathered travel
    m_pendingTravel += travel;
    if (m_pendingTravel > flashTravel) {
        m_pendingTravel = 0;
        flash();
    }
}

void ScrollBarFader::flash() {
    setIsVisible(true);
    m_fadeTask = m_scheduler.after(fadeDelay, [self = QPointer(this)] {
        if (self)
            self->setIsVisible(false);
    });
}

void ScrollBarFader::hide() {
    m_fadeTask.cancel();
    setIsVisible(false);
}

void ScrollBarFader::setIsVisible(bool visible) {
    if (visible == m_isVisible)
        return;
    m_isVisible = visible;
    emit isVisibleChanged();
}

} // namespace Parlino
