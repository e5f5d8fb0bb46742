#pragma once

#include "Capture/Linux/X11Connection.h"

#include <QString>

// How an X11 application is named where other code expects a bundle identifier.
namespace Capture::ApplicationIdentity {

// The application's identifier: its window class, or the reverse-DNS identifier that the alias
// table gives that class, so that lists of identifiers (the deny list) can name Linux
// applications by the identifiers those applications have elsewhere.
QString bundleID(const WindowClass& windowClass);

// The name to show for the application: its class name, else its instance name, else "App".
QString name(const WindowClass& windowClass);

} // namespace Capture::ApplicationIdentity
