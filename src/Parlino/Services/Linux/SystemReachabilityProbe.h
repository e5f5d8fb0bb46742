#pragma once

#include "Parlino/Services/ReachabilityProbe.h"

namespace Parlino {

// The network counts as down only when the system's network information says it is
// disconnected. Where no network information backend loads, the network counts as reachable.
// Create it after the application object.
class SystemReachabilityProbe final : public ReachabilityProbe {
public:
    SystemReachabilityProbe();

    bool isNetworkUnavailable() const override;
};

} // namespace Parlino
