#include "Parlino/Shell/Linux/StandardStreams.h"

#include <cerrno>
#include <initializer_list>

#include <fcntl.h>
#include <unistd.h>

namespace Parlino::StandardStreams {

namespace {

bool closedInput = false;

bool isClosed(int descriptor) {
    return ::fcntl(descriptor, F_GETFD) == -1 && errno == EBADF;
}

} // namespace

void secure() {
    for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (!isClosed(stream))
            continue;
        if (stream == STDIN_FILENO)
            closedInput = true;
        // The lower numbers are open: /dev/null takes this one.
        const int null = ::open("/dev/null", stream == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (null >= 0 && null != stream) {
            ::dup2(null, stream);
            ::close(null);
        }
    }
}

bool inputWasClosed() {
    return closedInput;
}

} // namespace Parlino::StandardStreams
