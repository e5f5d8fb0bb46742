#pragma once

#include "Parlino/Settings/SettingsServices.h"

#include <QWidget>

#include <functional>

namespace Parlino {

class SettingsNavigation;
class SettingsView;

// The standalone settings window: "Parlino Settings", 760 × 560 (smaller where the owner fits it
// to a smaller screen; the pane then scrolls), dark, centred on the main screen when it is made
// until its owner places it. Ctrl+W and Escape close it. Closing only hides it, so it keeps its
// pane and state for the next showing. The owner makes it on first use and keeps it.
class SettingsWindow final : public QWidget {
public:
    SettingsWindow(const SettingsServices& services, SettingsNavigation& navigation,
                   QWidget* parent = nullptr);

    SettingsView& view() const { return *m_view; }

    // Shows the window in front and gives it the keyboard.
    void present();

    // Told when the window is shown, and when it is closed or minimised.
    std::function<void(bool shown)> onShownChanged;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    SettingsView* m_view;
};

} // namespace Parlino
