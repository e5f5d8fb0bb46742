#pragma once

#include "Base/Scheduler.h"
#include "Parlino/Style/ScrollBarModel.h"

#include <QObject>

namespace Parlino {

// When the overlay scroll bar shows: it flashes once the offset has travelled more than half a
// pixel since the last flash (in one step or gathered over several) and hides `fadeDelay`
// after the last flash. Height changes alone never show it. Main thread only.
class ScrollBarFader : public QObject {
    Q_OBJECT

public:
    static constexpr double fadeDelay = 0.9;
    static constexpr qreal flashTravel = 0.5;

    ScrollBarFader(const ScrollBarModel& model, Base::Scheduler& scheduler,
                   QObject* parent = nullptr);

    bool isVisible() const { return m_isVisible; }
    // The bar left the screen: drop the pending fade and hide at once.
    void hide();

signals:
    void isVisibleChanged();

private:
    void offsetMoved();
    void flash();
    void setIsVisible(bool visible);

    const ScrollBarModel& m_model;
    Base::Scheduler& m_scheduler;
    qreal m_lastOffset;
    qreal m_pendingTravel = 0;
    bool m_isVisible = false;
    Base::ScheduledTask m_fadeTask;
};

} // namespace Parlino
