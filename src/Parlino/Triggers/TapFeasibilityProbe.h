#pragma once

#include "Parlino/Triggers/TapEventSource.h"

#include <memory>
#include <optional>

namespace Parlino {

// A diagnostic that logs, to "tap-diag", every modifier change and counts every key press that
// its own event source delivers, with the spacing of the modifier changes, to show whether the
// tap detector can see what it needs. It influences nothing. Main thread only.
class TapFeasibilityProbe {
public:
    static constexpr const char* switchName = "PARLINO_DIAG_TAP";

    // True when the process was started with the probe's switch on.
    static bool isRequested();

    explicit TapFeasibilityProbe(std::unique_ptr<TapEventSource> source);
    ~TapFeasibilityProbe();
    TapFeasibilityProbe(const TapFeasibilityProbe&) = delete;
    TapFeasibilityProbe& operator=(const TapFeasibilityProbe&) = delete;

    void start();

private:
    void handle(const TapSourceEvent& event);

    std::unique_ptr<TapEventSource> m_source;
    std::optional<double> m_lastFlagsChangedAt;
    qint64 m_keyDownCount = 0;
};

} // namespace Parlino
