#pragma once

#include "KeyboardShortcuts/ShortcutRegistry.h"
#include "KeyboardShortcuts/Storage.h"

#include "support/FakeHotKeySystem.h"
#include "support/ManualTime.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace TestSupport {

// A registry over a fake desktop, with the shortcuts stored in a settings suite of their own.
class RegistryTest : public ::testing::Test {
protected:
    using Shortcut = KeyboardShortcuts::Shortcut;
    using Name = KeyboardShortcuts::Name;

    // In place before the test's own members, so that names declared there store into it.
    RegistryTest() { KeyboardShortcuts::setStore(suite); }
    ~RegistryTest() override { KeyboardShortcuts::setStore(nullptr); }

    QTemporaryDir folder;
    ManualClock clock;
    ManualScheduler scheduler{clock};
    std::shared_ptr<Base::UserDefaults> suite =
        Base::UserDefaults::open(QStringLiteral("test"), folder.path(), scheduler);
    FakeHotKeySystem system;
    KeyboardShortcuts::ShortcutRegistry registry{system};
};

} // namespace TestSupport
