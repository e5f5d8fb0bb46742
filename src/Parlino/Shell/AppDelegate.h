#pragma once

#include "Base/Log.h"
#include "Base/Scheduler.h"
#include "Parlino/Clips/ClipsWindowController.h"
#include "Parlino/Settings/SettingsNavigation.h"
#include "Parlino/Settings/SettingsWindow.h"
#include "Parlino/Shell/CompositionRoot.h"
#include "Parlino/Shell/MenuKeys.h"
#include "Parlino/Shell/TrayHostWait.h"
#include "Parlino/Shell/TrayIconTint.h"
#include "Parlino/Shell/TrayIconWindow.h"
#include "Parlino/Shell/UpdateController.h"
#include "Parlino/Shell/WindowPlacer.h"

#include <QPoint>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace Parlino {

// One entry of the tray menu: a separator, or a command with its title, the key equivalent it
// shows (never grabbed on the desktop, see MenuKeys) and what it does.
struct TrayMenuItem {
    QString title;
    QString keyText;
    std::function<void()> action;

    bool isSeparator() const { return title.isEmpty(); }
};

// The application's shell around its composition root: the launch sequence, the tray icon with
// its menu and the commands behind it, and the entry through which other programs hand over a
// text to read. Without a tray host the application runs on (the idle bar and the shortcuts
// still work) and the icon appears once a host does. Main thread only.
class AppDelegate final {
public:
    struct Dependencies {
        CompositionRoot& root;
        UpdateController& updates;
        const SettingsKeys& keys;
        Base::Scheduler& scheduler;
        std::function<std::unique_ptr<ClipsWindowController>()> makeClipsWindow;
        // None when the settings cannot be shown.
        std::function<std::unique_ptr<SettingsWindow>(SettingsNavigation&)> makeSettingsWindow;
        // What the desktop shows of its tray, to keep the icon readable on it; none leaves the
        // icon in its first colour.
        TrayBackdrop* trayBackdrop = nullptr;
        // The window manager's frame around the settings and clips windows; none places them
        // by an estimate of it.
        WindowFrames* windowFrames = nullptr;
        // The desktop's docks, which those windows keep clear of; none where Qt's free areas of
        // the screens leave them out.
        DesktopDocks* desktopDocks = nullptr;
    };

    // Set in the environment, even empty, by a unit-test host: launching then does nothing.
    static constexpr const char* testHostVariable = "XCTestConfigurationFilePath";

    explicit AppDelegate(Dependencies dependencies);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // Once, when the application object runs: wires the root and installs the tray icon.
    void launch();

    // The tray menu's items, in their order.
    QList<TrayMenuItem> menuItems();
    QSystemTrayIcon* trayIcon() const { return m_trayIcon.get(); }
    // None until "Settings…" first shows it.
    SettingsWindow* settingsWindow() const { return m_settingsWindow.get(); }

    // The menu's commands.
    void openParlino();
    void openSettings();
    void showClipsWindow();
    void showTutorial();
    void toggleBubbleVisibility();
    // A text handed over by another program: read it instead of the selection.
    void readWithParlino(const QString& text);

private:
    QString bubbleToggleTitle() const;
    MenuKeys menuKeys();
    ClipsWindowController& clipsWindowController();
    void installTrayIcon();
    void openMenuAt(QPoint pointer);
    void waitForTrayHost();

    const Base::Log m_log{QStringLiteral("focus-diag")};
    Dependencies m_deps;
    WindowPlacer m_placer; // before the windows it places, which it follows while they live
    std::unique_ptr<ClipsWindowController> m_clipsWindowController;
    SettingsNavigation m_settingsNavigation; // the standalone window's pane, general at first
    std::unique_ptr<SettingsWindow> m_settingsWindow;
    MenuKeys m_menuKeys; // the menu's key equivalents, for the menu and the windows
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_trayIcon;
    std::unique_ptr<TrayIconWindow> m_trayWindow;
    std::unique_ptr<TrayIconTint> m_trayTint;
    QAction* m_bubbleToggleItem = nullptr;
    std::unique_ptr<TrayHostWait> m_trayHostWait;
};

} // namespace Parlino
