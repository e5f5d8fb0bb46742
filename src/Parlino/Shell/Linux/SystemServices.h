#pragma once

#include "Parlino/Shell/SystemServices.h"

namespace Parlino {

// Set to "1", the tap gesture also counts keys sent through XTest.
inline constexpr const char* syntheticInputSwitch = "PARLINO_SYNTHETIC_INPUT";

// The desktop's services: the secret service, MPRIS, the system's network information, the
// sound server (or the null output), AT-SPI, XTest, the X clipboard and the window manager's view
// of the applications, the X server's hot keys and raw input. Make it on the main thread, after the
// application object.
SystemServices makeSystemServices(QNetworkAccessManager& network, const Base::Clock& clock,
                                  Base::Scheduler& scheduler, Base::Sleeper& sleeper);

} // namespace Parlino
