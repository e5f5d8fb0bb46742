#pragma once

namespace Parlino::StandardStreams {

// Puts /dev/null in the place of each standard stream the program was started without (as by
// `parlino --read <&-`), before anything else opens a descriptor: the lowest free number, which
// Xlib's or the bus's connection would otherwise take and be read or written as that stream.
// Call it first in main, once.
void secure();

// Whether the program was started with its standard input closed.
bool inputWasClosed();

} // namespace Parlino::StandardStreams
