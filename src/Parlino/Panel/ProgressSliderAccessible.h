#pragma once

#include <QAccessibleWidget>

namespace Parlino {

class SmoothProgressBar;

// The read's progress bar as assistive tools see it: a slider named "Playback position" whose
// value is the share of the read played, in whole percent. Setting the value (or its increase
// and decrease actions, a step of one percent) seeks there through the bar's `onSeek`. It tells
// of no change of value by itself: the position moves with every frame of a read, and a screen
// reader would speak each move.
class ProgressSliderAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ProgressSliderAccessible(SmoothProgressBar& bar);

    // Installs the interface for every progress bar, once for the process.
    static void install();
    static int percent(double fraction);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text type) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    SmoothProgressBar& m_bar;
};

} // namespace Parlino
