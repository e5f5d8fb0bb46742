#pragma once

#include "Capture/Linux/X11Connection.h"

#include <QStringList>

// How an X11 application is named where other code expects a bundle identifier.
namespace Capture::ApplicationIdentity {

// The application's identifier: its window class, or the reverse-DNS identifier that the alias
// table gives that class, so that lists of identifiers (the deny list) can name Linux
// applications by the identifiers those applications have elsewhere.
QString bundleID(const WindowClass& windowClass);

// The name to show for the application: its class name, else its instance name, else "App".
QString name(const WindowClass& windowClass);

// The class name or the instance name equals one of `classes`, ignoring case.
bool matchesAny(const WindowClass& windowClass, const QStringList& classes);

} // namespace Capture::ApplicationIdentity
