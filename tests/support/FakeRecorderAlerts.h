#pragma once

#include "KeyboardShortcuts/RecorderAlerts.h"

#include <QList>

#include <functional>

namespace TestSupport {

// Answers a recorder's alerts at once with `response` and keeps what it was asked.
class FakeRecorderAlerts final : public KeyboardShortcuts::RecorderAlerts {
public:
    int run(const KeyboardShortcuts::Alert& alert, QWidget*) override {
        shown.append(alert);
        if (whileShown)
            whileShown();
        return response;
    }
    void beep() override { ++beeps; }

    int response = firstButtonResponse;
    // Runs while an alert is up.
    std::function<void()> whileShown;
    QList<KeyboardShortcuts::Alert> shown;
    int beeps = 0;
};

} // namespace TestSupport
