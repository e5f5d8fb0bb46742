#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace KeyboardShortcuts {

// A warning a recorder shows about a shortcut it was given.
struct Alert {
    QString message;
    QString informativeText; // empty: none
    QStringList buttons;     // in order; empty: the dialog's single default button

    friend bool operator==(const Alert&, const Alert&) = default;
};

// How a recorder asks the user: it waits for the answer to an alert, and beeps at a key it
// will not take. Main thread.
class RecorderAlerts {
public:
    // The answers: the first button answers 1000, the second 1001, and so on.
    static constexpr int firstButtonResponse = 1000;

    virtual ~RecorderAlerts() = default;

    // Shows the alert, modal to the window (none: to the application), and returns the answer.
    virtual int run(const Alert& alert, QWidget* window) = 0;
    virtual void beep() = 0;
};

// Alerts as modal warning dialogs, and the desktop's bell.
class DialogRecorderAlerts final : public RecorderAlerts {
public:
    int run(const Alert& alert, QWidget* window) override;
    void beep() override;
};

} // namespace KeyboardShortcuts
