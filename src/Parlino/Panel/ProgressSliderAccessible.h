#pragma once

#include <QAccessibleWidget>

namespace Parlino {

class SmoothProgressBar;

// The read's progress bar as assistive tools see it: a slider named "Playback position" whose
// value is the share of the read played, in whole percent. It only shows the position, so
// setting its value does nothing.
class ProgressSliderAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ProgressSliderAccessible(SmoothProgressBar& bar);

    // Installs the interface for every progress bar, once for the process.
    static void install();
    static int percent(double fraction);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text type) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    SmoothProgressBar& m_bar;
};

} // namespace Parlino
