#include "Parlino/Panel/ProgressSliderAccessible.h"

#include "Parlino/Panel/SmoothProgressBar.h"

#include <algorithm>
#include <cmath>

namespace Parlino {

namespace {

QAccessibleInterface* progressFactory(const QString&, QObject* object) {
    if (auto* bar = dynamic_cast<SmoothProgressBar*>(object))
        return new ProgressSliderAccessible(*bar);
    return nullptr;
}

} // namespace

ProgressSliderAccessible::ProgressSliderAccessible(SmoothProgressBar& bar)
    : QAccessibleWidget(&bar, QAccessible::Slider, QStringLiteral("Playback position")),
      m_bar(bar) {}

void ProgressSliderAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(progressFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

int ProgressSliderAccessible::percent(double fraction) {
    return int(std::lround(fraction * 100));
}

void* ProgressSliderAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString ProgressSliderAccessible::text(QAccessible::Text type) const {
    if (type == QAccessible::Value)
        return QStringLiteral("%1%").arg(percent(m_bar.fraction()));
    return QAccessibleWidget::text(type);
}

QVariant ProgressSliderAccessible::currentValue() const {
    return percent(m_bar.fraction());
}

void ProgressSliderAccessible::setCurrentValue(const QVariant& value) {
    bool isNumber = false;
    const double wanted = value.toDouble(&isNumber);
    if (!isNumber || std::isnan(wanted) || !m_bar.onSeek)
        return;
    m_bar.onSeek(std::clamp(wanted, 0.0, 100.0) / 100);
}

} // namespace Parlino
