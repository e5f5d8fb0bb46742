#include "Parlino/Settings/VoiceMeshTimeline.h"

namespace Parlino {

VoiceMeshTimeline::VoiceMeshTimeline(Base::Scheduler& scheduler, std::function<Base::Date()> now)
    : m_scheduler(scheduler), m_now(std::move(now)) {}

double VoiceMeshTimeline::time() const {
    return m_now().secondsSinceReferenceDate;
}

void VoiceMeshTimeline::subscribe(QWidget* widget) {
    if (!m_widgets.contains(widget))
        m_widgets.append(widget);
    if (!m_task.isPending())
        m_task = m_scheduler.after(interval, [this] { tick(); });
}

void VoiceMeshTimeline::unsubscribe(QWidget* widget) {
    m_widgets.removeAll(widget);
    if (m_widgets.isEmpty())
        m_task.cancel();
}

void VoiceMeshTimeline::tick() {
    m_widgets.removeAll(nullptr);
    if (m_widgets.isEmpty())
        return;
    // Widgets scrolled out of view or in a hidden window have an empty visible region.
    for (const QPointer<QWidget>& widget : m_widgets)
        if (!widget->visibleRegion().isEmpty())
            widget->update();
    m_task = m_scheduler.after(interval, [this] { tick(); });
}

} // namespace Parlino
