#pragma once

class QWidget;

namespace Parlino {

// Which way Tab moves through the controls: on (Tab) or back (Shift+Tab).
enum class TabDirection { forward, backward };

// Where Tab goes among a window's controls, as Qt's own focus chain takes it: only enabled
// controls that show in the window and take the focus from Tab, a compound control once.
namespace TabChain {

// The control Tab reaches from the window's focus, or none when it would go round the window's
// end (or, going back, past its start) to the other end, or when no other control is there.
QWidget* step(QWidget& window, TabDirection direction);

// The window's first control (forward) or its last (backward); none when no control takes Tab.
QWidget* end(QWidget& window, TabDirection direction);

} // namespace TabChain

} // namespace Parlino
