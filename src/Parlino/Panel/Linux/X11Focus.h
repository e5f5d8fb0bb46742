#pragma once

namespace Parlino::X11 {

// Gives the X keyboard focus to `window`, a shown override-redirect window of the application,
// which no window manager activates. The request carries the X server's time of now, read on a
// connection of our own: an older stamp (the last event the application happened to see) loses
// to any focus change the window manager made since and is ignored. The focus returns to the
// root when the window is hidden. Whether the request went out.
bool focusWindow(unsigned long window);

} // namespace Parlino::X11
