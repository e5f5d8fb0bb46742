#include "Base/Linux/GlibThread.h"
#include "support/DesktopSession.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// What ctest takes for a skipped test (its SKIP_RETURN_CODE).
constexpr int skippedStatus = 77;

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Without an X server the application object cannot even be made for the X platform: that is
    // a missing service like any other.
    if (qgetenv("QT_QPA_PLATFORM") == "xcb" && qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fputs("no X display\n", stderr);
        return TestSupport::inDesktopSession() ? 1 : skippedStatus;
    }
    // As in the application: GLib's default main context is the GLib thread's, not Qt's.
    Base::GlibThread::keepQtOffGlib(Base::PlatformTheme::requested(argc, argv));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlino"));
    ::testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    // A run that skipped every test proved nothing: it must not count as passed.
    const auto& unit = *::testing::UnitTest::GetInstance();
    if (status == 0 && unit.test_to_run_count() > 0 &&
        unit.skipped_test_count() == unit.test_to_run_count())
        return skippedStatus;
    return status;
}
