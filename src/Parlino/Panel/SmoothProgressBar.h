#pragma once

#include <QWidget>

#include <functional>

namespace Parlino {

// A thin capsule track with a filled part. The read's display tick sets the fraction on every
// frame, and the fill is repainted only once its end has moved far enough to be seen: a slow
// read's bar creeps a pixel at a time without repainting 60 times a second. The pointer cannot
// move it; an assistive tool that sets its value asks `onSeek` for that share.
class SmoothProgressBar final : public QWidget {
public:
    static constexpr int barHeight = 6;
    // The least movement of the fill's end, in device pixels, that is repainted.
    static constexpr qreal visibleStep = 0.5;

    explicit SmoothProgressBar(QWidget* parent = nullptr);

    // Clamped to 0...1.
    void setFraction(double fraction);
    double fraction() const { return m_fraction; }
    // The fraction the fill was last painted at.
    double shownFraction() const { return m_shownFraction; }

    // The share of the read to go to, 0...1.
    std::function<void(double fraction)> onSeek;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool movesVisibly(double from, double to) const;

    double m_fraction = 0;
    double m_shownFraction = 0;
};

} // namespace Parlino
