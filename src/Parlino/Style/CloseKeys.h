#pragma once

class QWidget;

namespace Parlino {

// Gives an ordinary window the keys every desktop window has: Ctrl+W closes it, and so does
// Escape when the widget with the focus leaves it unused (a recorder that records, or a field
// that clears itself with it, keeps it). Closing it, by these keys or from the window manager,
// only hides it and keeps its native window, so that it shows again at the very pixel where it
// was; the application's own close (when it quits) closes it. Lives as long as the window.
void installCloseKeys(QWidget& window);

} // namespace Parlino
