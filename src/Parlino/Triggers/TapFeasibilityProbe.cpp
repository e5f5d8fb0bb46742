#include "Parlino/Triggers/TapFeasibilityProbe.h"

#include "Base/Environment.h"
#include "Base/Log.h"

namespace Parlino {

namespace {

const Base::Log log("tap-diag");

// The source watches the whole desktop, this application included: one channel.
constexpr const char* channel = "global";

} // namespace

bool TapFeasibilityProbe::isRequested() {
    return Base::Environment::isSwitchOn(switchName);
}

TapFeasibilityProbe::TapFeasibilityProbe(std::unique_ptr<TapEventSource> source)
    : m_source(std::move(source)) {}

TapFeasibilityProbe::~TapFeasibilityProbe() {
    m_source->stop();
}

void TapFeasibilityProbe::start() {
    log.notice("tap-diag: starting — XInput2 raw events only (no grab, no RECORD)");
    if (m_source->start([this](const TapSourceEvent& event) { handle(event); })) {
        log.notice("tap-diag: global flagsChanged monitor installed");
        log.notice("tap-diag: global keyDown counter installed");
    } else {
        log.error("tap-diag: global flagsChanged monitor FAILED to install (returned nil)");
        log.error("tap-diag: global keyDown counter FAILED to install (returned nil)");
    }
}

void TapFeasibilityProbe::handle(const TapSourceEvent& event) {
    switch (event.kind) {
    case TapSourceEvent::Kind::flagsChanged: {
        const double dt = m_lastFlagsChangedAt ? event.at - *m_lastFlagsChangedAt : -1.0;
        m_lastFlagsChangedAt = event.at;
        log.notice("tap-diag: flagsChanged channel=%{public}s keyCode=%{public}hu "
                   "flagsRaw=0x%{public}llx dt=%{public}.3f",
                   channel, event.keyCode, event.rawFlags, dt);
        return;
    }
    case TapSourceEvent::Kind::keyDown:
        ++m_keyDownCount;
        log.notice("tap-diag: keyDown channel=%{public}s count=%{public}ld", channel,
                   m_keyDownCount);
        return;
    case TapSourceEvent::Kind::mouseActivity:
    case TapSourceEvent::Kind::suppression:
        return;
    }
}

} // namespace Parlino
