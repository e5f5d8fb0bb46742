#pragma once

#include "KeyboardShortcuts/ShortcutRegistry.h"
#include "KeyboardShortcuts/Storage.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Settings/DesktopSettings.h"
#include "Parlino/Settings/LoginItem.h"
#include "Parlino/Settings/RecordingsExport.h"
#include "Parlino/Storage/CacheStore.h"

#include "support/FakeHotKeySystem.h"
#include "support/ManualTime.h"

#include <QTemporaryDir>

#include <filesystem>

namespace TestSupport {

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

struct FakeDesktopSettings final : Parlino::DesktopSettings {
    void openAccessibilitySettings() override { ++opens; }
    int opens = 0;
};

// A recordings export that runs until the test finishes it.
struct FakeRecordings {
    Parlino::RecordingsExport recordings{
        [this](Base::Worker&, QObject&, std::function<void()> finished) {
            ++runs;
            finish = std::move(finished);
        },
        [this] { ++opens; }};
    std::function<void()> finish;
    int runs = 0;
    int opens = 0;
};

// What the preference panes need of the application, over fakes: the settings and the stored
// shortcuts in a fresh suite of their own (the shortcut storage uses it while this lives), a
// shortcut registry over a fake desktop, and an empty audio cache folder.
struct PreferenceFakes {
    PreferenceFakes() {
        KeyboardShortcuts::setStore(suite);
        std::filesystem::create_directories(cacheRoot / "audio");
    }
    ~PreferenceFakes() { KeyboardShortcuts::setStore(nullptr); }

    QTemporaryDir folder;
    ManualClock suiteClock;
    ManualScheduler suiteScheduler{suiteClock};
    std::shared_ptr<Base::UserDefaults> suite =
        Base::UserDefaults::open(QStringLiteral("settings"), folder.path(), suiteScheduler);
    Parlino::SettingsKeys keys{suite};
    FakeHotKeySystem hotKeys;
    KeyboardShortcuts::ShortcutRegistry registry{hotKeys};
    FakeLoginItem loginItem;
    FakeDesktopSettings desktopSettings;
    FakeRecordings recordings;
    std::filesystem::path cacheRoot = std::filesystem::path(folder.path().toStdString()) / "cache";
    Parlino::CacheStore cache{cacheRoot, Parlino::CacheStore::defaultMaxBytes};
};

} // namespace TestSupport
