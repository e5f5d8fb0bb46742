#pragma once

namespace Base {

// Steady time in seconds (uptime); never goes backwards. Inject it, never read time directly.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
};

// The process's steady clock.
class SteadyClock : public Clock {
public:
    double now() const override;
    static SteadyClock& shared();
};

} // namespace Base
