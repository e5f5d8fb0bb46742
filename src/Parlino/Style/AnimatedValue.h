#pragma once

namespace Base {
class Clock;
}

namespace Parlino {

// The timing of an animation: how far along (0 to 1) it is a number of seconds after it began.
// A spring may pass 1 on the way; every curve is exactly 1 from its duration on.
class Curve {
public:
    static Curve linear(double seconds);
    static Curve easeIn(double seconds);
    static Curve easeOut(double seconds);
    static Curve easeInOut(double seconds);
    // A damped spring: `response` is the period of its undamped swing in seconds,
    // `dampingFraction` 1 for no overshoot, less for a bounce.
    static Curve spring(double response, double dampingFraction);

    double duration() const { return m_duration; }
    double progress(double elapsed) const;

private:
    enum class Kind { linear, bezier, spring };
    Curve(Kind kind, double duration, double a, double b)
        : m_kind(kind), m_duration(duration), m_a(a), m_b(b) {}

    Kind m_kind;
    double m_duration;
    // The bezier's two control-point abscissas (ordinates 0 and 1), or the spring's angular
    // frequency and damping fraction.
    double m_a;
    double m_b;
};

// A number that moves to a target along a curve, read from the clock. Under Reduce Motion it
// jumps. Whoever shows it repaints while it is not settled.
class AnimatedValue {
public:
    explicit AnimatedValue(const Base::Clock& clock, double initial = 0);

    void animateTo(double target, const Curve& curve, bool reduceMotion);
    void jumpTo(double target);

    double now() const;
    double target() const { return m_to; }
    bool isSettled() const;

private:
    const Base::Clock& m_clock;
    double m_from;
    double m_to;
    double m_start = 0;
    Curve m_curve = Curve::linear(0);
};

} // namespace Parlino
