#pragma once

#include "KeyboardShortcuts/Storage.h"
#include "Parlino/Settings/LoginItem.h"
#include "Parlino/Settings/RecordingsExport.h"

#include "../ServicesTesting.h"

#include <gtest/gtest.h>

namespace PaneTesting {

// The application's settings and its stored shortcuts over one fresh suite.
struct PaneTest : ::testing::Test {
    PaneTest() { KeyboardShortcuts::setStore(settings.suite); }
    ~PaneTest() override { KeyboardShortcuts::setStore(nullptr); }

    ServicesTesting::TestSettings settings;
    const Parlino::SettingsKeys& keys = settings.keys;
};

// A login item whose desktop may refuse every change.
struct FakeLoginItem final : Parlino::LoginItem {
    bool isEnabled() const override { return enabled; }
    bool setEnabled(bool on) override {
        ++changes;
        if (!refuses)
            enabled = on;
        return !refuses;
    }

    bool enabled = false;
    bool refuses = false;
    int changes = 0;
};

// A recordings export that runs until the test finishes it.
struct FakeRecordings {
    Parlino::RecordingsExport recordings{[this](std::function<void()> finished) {
                                             ++runs;
                                             finish = std::move(finished);
                                         },
                                         [this] { ++opens; }};
    std::function<void()> finish;
    int runs = 0;
    int opens = 0;
};

} // namespace PaneTesting
