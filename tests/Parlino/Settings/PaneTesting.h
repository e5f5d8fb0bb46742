#pragma once

#include "support/FakePreferences.h"

#include <gtest/gtest.h>

namespace PaneTesting {

// The application's settings and its stored shortcuts over one fresh suite, with fakes of the
// desktop's services.
struct PaneTest : ::testing::Test, TestSupport::PreferenceFakes {};

} // namespace PaneTesting
