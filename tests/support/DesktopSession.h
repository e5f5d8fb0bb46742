#pragma once

#include <QtGlobal>

#include <gtest/gtest.h>

namespace TestSupport {

// Whether the test runs inside the desktop session that scripts/ci-services.sh starts.
inline bool inDesktopSession() {
    return !qEnvironmentVariableIsEmpty("PARLINO_DESKTOP_SESSION");
}

} // namespace TestSupport

// Ends the test when a service it needs is missing: inside the desktop session that is a broken
// session and fails; outside it the test skips, and a run in which every test skipped reports
// itself skipped to ctest.
#define PARLINO_REQUIRE_SERVICE(present, missing)                                                  \
    do {                                                                                           \
        if (!(present)) {                                                                          \
            if (TestSupport::inDesktopSession())                                                   \
                GTEST_FAIL() << "the desktop session lacks a service: " << missing;                \
            else                                                                                   \
                GTEST_SKIP() << missing;                                                           \
        }                                                                                          \
    } while (false)
