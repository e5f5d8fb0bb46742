#include "Parlino/Services/Linux/SystemReachabilityProbe.h"

#include "Base/Log.h"

#include <QNetworkInformation>

namespace Parlino {

namespace {
const Base::Log log(QStringLiteral("pipeline"));
}

SystemReachabilityProbe::SystemReachabilityProbe() {
    // NetworkManager's backend answers through Qt's own D-Bus on the main thread; GLib's network
    // monitor, the next choice, answers on the GLib thread.
    if (!QNetworkInformation::instance() &&
        !QNetworkInformation::loadBackendByName(u"networkmanager") &&
        !QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        log.info("no network information backend: the network counts as reachable");
        return;
    }
    log.info("network information from %{public}s",
             qPrintable(QNetworkInformation::instance()->backendName()));
}

bool SystemReachabilityProbe::isNetworkUnavailable() const {
    const auto* information = QNetworkInformation::instance();
    return information &&
           information->reachability() == QNetworkInformation::Reachability::Disconnected;
}

} // namespace Parlino
