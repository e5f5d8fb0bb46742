#pragma once

namespace Parlino {

// Tells whether the network is down. The system's probe is in Services/Linux.
class ReachabilityProbe {
public:
    virtual ~ReachabilityProbe() = default;
    virtual bool isNetworkUnavailable() const = 0;
};

} // namespace Parlino
