#pragma once

#include "Base/Result.h"

#include <QString>

#include <chrono>

namespace Parlino::DetachedStart {

// Set in the environment of the program started: it is started for the client's request and has
// none of its own.
inline constexpr const char* handOverVariable = "PARLINO_STARTED_FOR_HAND_OVER";

// Starts `program` for a client that found no application running, as the desktop starts one and
// not as a child of the client's terminal: in a session of its own, without a controlling
// terminal (neither the terminal's signals nor its closing reach it), with standard input,
// output and error on /dev/null (its log goes to the journal where one runs, as the log of an
// application the desktop started does), in the root folder, with none of the client's other
// descriptors, and with the environment the client was started with. Then waits until the
// application owns `busName` on the session bus, or ends, or `bound` passes; fails with the
// message saying which, and why it ended.
Base::Result<void, QString> startAndWait(const QString& program, const QString& busName,
                                         std::chrono::milliseconds bound);

} // namespace Parlino::DetachedStart
