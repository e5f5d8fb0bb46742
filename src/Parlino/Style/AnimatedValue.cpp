#include "Parlino/Style/AnimatedValue.h"

#include "Base/Clock.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace Parlino {

namespace {

// A spring counts as settled once its swing has decayed below a thousandth of the distance.
constexpr double springSettleExponent = 9.25;

// The timing curve through (0, 0), (x1, 0), (x2, 1), (1, 1): its value where it has come
// `fraction` of the way in time.
double bezier(double x1, double x2, double fraction) {
    const auto along = [](double a, double b, double t) {
        const double u = 1 - t;
        return 3 * u * u * t * a + 3 * u * t * t * b + t * t * t;
    };
    double low = 0, high = 1;
    for (int i = 0; i < 40; ++i) {
        const double middle = (low + high) / 2;
        (along(x1, x2, middle) < fraction ? low : high) = middle;
    }
    return along(0, 1, (low + high) / 2);
}

double springProgress(double omega, double damping, double t) {
    const double decay = std::exp(-damping * omega * t);
    if (damping >= 1)
        return 1 - decay * (1 + omega * t);
    const double damped = omega * std::sqrt(1 - damping * damping);
    return 1 - decay * (std::cos(damped * t) + damping * omega / damped * std::sin(damped * t));
}

} // namespace

Curve Curve::linear(double seconds) {
    return Curve(Kind::linear, seconds, 0, 0);
}

Curve Curve::easeIn(double seconds) {
    return Curve(Kind::bezier, seconds, 0.42, 1);
}

Curve Curve::easeOut(double seconds) {
    return Curve(Kind::bezier, seconds, 0, 0.58);
}

Curve Curve::easeInOut(double seconds) {
    return Curve(Kind::bezier, seconds, 0.42, 0.58);
}

Curve Curve::spring(double response, double dampingFraction) {
    const double omega = 2 * std::numbers::pi / std::max(response, 1e-3);
    const double damping = std::clamp(dampingFraction, 0.05, 1.0);
    return Curve(Kind::spring, springSettleExponent / (damping * omega), omega, damping);
}

double Curve::progress(double elapsed) const {
    if (!(elapsed < m_duration))
        return 1;
    if (elapsed <= 0)
        return 0;
    switch (m_kind) {
    case Kind::linear:
        return elapsed / m_duration;
    case Kind::bezier:
        return bezier(m_a, m_b, elapsed / m_duration);
    case Kind::spring:
        return springProgress(m_a, m_b, elapsed);
    }
    return 1;
}

AnimatedValue::AnimatedValue(const Base::Clock& clock, double initial)
    : m_clock(clock), m_from(initial), m_to(initial) {}

void AnimatedValue::animateTo(double target, const Curve& curve, bool reduceMotion) {
    if (reduceMotion) {
        jumpTo(target);
        return;
    }
    if (target == m_to)
        return;
    m_from = now();
    m_to = target;
    m_start = m_clock.now();
    m_curve = curve;
}

void AnimatedValue::jumpTo(double target) {
    m_from = target;
    m_to = target;
    m_curve = Curve::linear(0);
}

double AnimatedValue::now() const {
    const double progress = m_curve.progress(m_clock.now() - m_start);
    return m_from + (m_to - m_from) * progress;
}

bool AnimatedValue::isSettled() const {
    return m_clock.now() - m_start >= m_curve.duration();
}

} // namespace Parlino
