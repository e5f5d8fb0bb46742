#include "Parlino/Services/Linux/SystemReachabilityProbe.h"

#include "Base/Log.h"

#include <QNetworkInformation>

namespace Parlino {

namespace {
const Base::Log log(QStringLiteral("pipeline"));
}

SystemReachabilityProbe::SystemReachabilityProbe() {
    if (!QNetworkInformation::instance() &&
        !QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        log.info("no network information backend: the network counts as reachable");
}

bool SystemReachabilityProbe::isNetworkUnavailable() const {
    const auto* information = QNetworkInformation::instance();
    return information &&
           information->reachability() == QNetworkInformation::Reachability::Disconnected;
}

} // namespace Parlino
