#pragma once

#include <QUrl>

#include <functional>

namespace Parlino {

// Opens a web page for the user. The surfaces' links go through one of these so that tests can
// see the address instead of starting a browser.
using OpenURL = std::function<void(const QUrl&)>;

// Opens `url` in the desktop's default browser; a desktop that has none refuses, and that is
// ignored.
void openInBrowser(const QUrl& url);

} // namespace Parlino
