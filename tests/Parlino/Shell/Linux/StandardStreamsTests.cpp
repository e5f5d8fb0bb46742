#include "Parlino/Shell/Linux/StandardStreams.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace StandardStreams = Parlino::StandardStreams;

namespace {

bool isNullDevice(int descriptor) {
    return QFile::symLinkTarget(QStringLiteral("/proc/self/fd/%1").arg(descriptor)) ==
           QStringLiteral("/dev/null");
}

} // namespace

// A program started with `<&-` or `>&-`: the descriptors it opens later take none of the
// streams' numbers, and a closed standard input is told apart from an empty one.
TEST(StandardStreams, AClosedStreamIsHeldByTheNullDeviceAndAClosedInputIsKnown) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::close(STDIN_FILENO);
            ::close(STDOUT_FILENO);
            StandardStreams::secure();
            const int later = ::open("/proc/self/stat", O_RDONLY);
            const bool held = isNullDevice(STDIN_FILENO) && isNullDevice(STDOUT_FILENO);
            std::_Exit(held && later > STDERR_FILENO && StandardStreams::inputWasClosed() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            const int input = ::open("/dev/null", O_RDONLY);
            ::dup2(input, STDIN_FILENO);
            StandardStreams::secure();
            std::_Exit(StandardStreams::inputWasClosed() ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}
