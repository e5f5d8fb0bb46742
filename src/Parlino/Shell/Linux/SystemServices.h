#pragma once

#include "Parlino/Shell/SystemServices.h"

namespace Parlino {

// The desktop's services: the secret service, MPRIS, the system's network information, the
// sound server (or the null output), AT-SPI, XTest, the X clipboard and the window manager's view
// of the applications. Make it on the main thread, after the application object.
SystemServices makeSystemServices(QNetworkAccessManager& network, const Base::Clock& clock,
                                  Base::Scheduler& scheduler, Base::Sleeper& sleeper);

} // namespace Parlino
