#pragma once

#include "Capture/Linux/X11Connection.h"
#include "Core/ReadTypes.h"

// Which applications are terminal emulators: there, a copy keystroke interrupts the running
// program instead of copying, and the selection is read from what the terminal offers.
namespace Capture::Terminals {

// A terminal emulator's window: its class or instance name (any case) is one of the known
// terminals' (those built on VTE and on Konsole's part among them), or names a terminal: it says
// "terminal" (Xfce4-terminal, mate-terminal) or begins or ends with "term" (Terminator, xterm).
bool isTerminal(const WindowClass& windowClass);

// The application is a terminal emulator, as its identifier (its window class) says.
bool isTerminal(const Core::FrontmostApp& app);

} // namespace Capture::Terminals
