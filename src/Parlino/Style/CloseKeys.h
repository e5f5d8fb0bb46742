#pragma once

class QWidget;

namespace Parlino {

// Gives an ordinary window the keys every desktop window has: Ctrl+W closes it, and so does
// Escape when the widget with the focus leaves it unused (a recorder that records, or a field
// that clears itself with it, keeps it). Lives as long as the window.
void installCloseKeys(QWidget& window);

} // namespace Parlino
