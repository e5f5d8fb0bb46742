#pragma once

#include "Parlino/Style/AnimatedValue.h"
#include "Parlino/Style/FrameDriver.h"
#include "Parlino/Style/MotionPreferences.h"

#include <QWidget>

#include <functional>

namespace Parlino {

// A thin capsule track with a filled part; each new fraction glides there linearly over one
// display frame, so the fill moves smoothly between the read's per-tick updates. The pointer
// cannot move it; an assistive tool that sets its value asks `onSeek` for that share.
class SmoothProgressBar final : public QWidget {
public:
    static constexpr int barHeight = 6;

    explicit SmoothProgressBar(const MotionContext& motion, QWidget* parent = nullptr);

    // Clamped to 0...1.
    void setFraction(double fraction);
    double fraction() const { return m_fraction.target(); }
    double shownFraction() const { return m_fraction.now(); }

    // The share of the read to go to, 0...1.
    std::function<void(double fraction)> onSeek;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    AnimatedValue m_fraction;
    FrameDriver m_frames;
};

} // namespace Parlino
