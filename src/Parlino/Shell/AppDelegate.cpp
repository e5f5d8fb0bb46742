#include "Parlino/Shell/AppDelegate.h"

#include "Base/MainThread.h"
#include "Parlino/Clips/ClipsView.h"
#include "Parlino/Settings/SettingsView.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

namespace Parlino {

namespace {

// Where the menu opens for an activation of the icon: at the pointer when it is on the icon (a
// click), else under the icon (a key), or at the pointer when the tray does not say where the
// icon is.
QPoint trayMenuPosition(const QRect& icon, QPoint pointer) {
    if (icon.isEmpty() || icon.contains(pointer))
        return pointer;
    return icon.bottomLeft() + QPoint(0, 1);
}

} // namespace

AppDelegate::AppDelegate(Dependencies dependencies)
    : m_deps(std::move(dependencies)),
      m_placer(m_deps.windowFrames, m_deps.scheduler, m_deps.desktopDocks) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::launch() {
    if (qEnvironmentVariableIsSet(testHostVariable)) {
        m_log.notice("launch suppressed: unit-test host, not a real launch");
        return;
    }
    m_deps.root.start();
    m_menuKeys = menuKeys();
    m_deps.root.attachClipsSurface(clipsWindowController().viewModel());
    m_deps.root.attachSettingsWindow(m_settingsNavigation);
    installTrayIcon();
    // The clips are listed off the main thread; whatever needs the list waits for it.
    m_deps.root.clipLibrary().refresh();
}

QString AppDelegate::bubbleToggleTitle() const {
    return Defaults::get(m_deps.keys.idleBarHidden) ? QStringLiteral("Show Bubble")
                                                    : QStringLiteral("Hide Bubble");
}

// The desktop has no Dock: the menu offers no Dock-icon toggle, and the stored setting stays
// as it is.
QList<TrayMenuItem> AppDelegate::menuItems() {
    QList<TrayMenuItem> items{
        {QStringLiteral("Open Parlino"), {}, [this] { openParlino(); }},
        {QStringLiteral("Settings…"), QStringLiteral("Ctrl+,"), [this] { openSettings(); }},
        {QStringLiteral("Audio Clips…"), {}, [this] { showClipsWindow(); }},
        {QStringLiteral("Tutorial"), {}, [this] { showTutorial(); }},
        {bubbleToggleTitle(), {}, [this] { toggleBubbleVisibility(); }},
        {},
    };
    if (m_deps.updates.canCheckForUpdates())
        items.append({QStringLiteral("Check for Updates…"), {}, [this] {
                          m_deps.updates.checkForUpdates();
                      }});
    items.append({QStringLiteral("Quit Parlino"), QStringLiteral("Ctrl+Q"), &QApplication::quit});
    return items;
}

MenuKeys AppDelegate::menuKeys() {
    QList<MenuKeys::Key> keys;
    for (const TrayMenuItem& item : menuItems())
        if (!item.keyText.isEmpty())
            keys.append({QKeySequence(item.keyText, QKeySequence::PortableText), item.action});
    return MenuKeys(keys);
}

void AppDelegate::installTrayIcon() {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        m_log.notice("tray: no tray host yet; the icon appears when one starts");
        waitForTrayHost();
        return;
    }
    m_menu = std::make_unique<QMenu>();
    for (const TrayMenuItem& item : menuItems()) {
        if (item.isSeparator()) {
            m_menu->addSeparator();
            continue;
        }
        // The key text is shown after a tab; the keys themselves are the menu's own shortcuts.
        const QString text =
            item.keyText.isEmpty() ? item.title : item.title + QLatin1Char('\t') + item.keyText;
        QAction* action = m_menu->addAction(text, item.action);
        if (item.title == bubbleToggleTitle())
            m_bubbleToggleItem = action;
    }
    // Most trays are dark: the glyph is light until the tray is seen.
    m_trayIcon = std::make_unique<QSystemTrayIcon>(TrayIconTint::themedImage(Qt::white));
    m_trayIcon->setToolTip(QStringLiteral("Parlino"));
    m_menuKeys.attach(*m_menu);
    m_trayIcon->setContextMenu(m_menu.get());
    // A left click, or the tray's own activation key, opens the same menu as the right click.
    QObject::connect(m_trayIcon.get(), &QSystemTrayIcon::activated, m_menu.get(),
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger)
                             openMenuAt(QCursor::pos());
                     });
    m_trayIcon->show();
    if (m_deps.trayBackdrop) {
        QSystemTrayIcon* icon = m_trayIcon.get();
        m_trayWindow = std::make_unique<TrayIconWindow>(*icon);
        m_trayTint = std::make_unique<TrayIconTint>(
            [window = m_trayWindow.get()] { return window->place(); },
            [icon](const QColor& colour) { icon->setIcon(TrayIconTint::image(colour)); },
            *m_deps.trayBackdrop, m_deps.scheduler);
        m_trayWindow->changed = [tint = m_trayTint.get()] { tint->trayChanged(); };
        // The menu opens once the press has been handled: open during it, it would take the
        // press for one outside it and close at once.
        m_trayWindow->pressedAgain = [this] {
            Base::MainThread::post(*m_menu, [this] { openMenuAt(QCursor::pos()); });
        };
    }
    m_log.notice("tray: icon installed");
}

void AppDelegate::openMenuAt(QPoint pointer) {
    if (m_menu->isVisible())
        return;
    m_log.notice("tray: menu opened by activation");
    m_menu->popup(trayMenuPosition(m_trayIcon->geometry(), pointer));
}

void AppDelegate::waitForTrayHost() {
    if (!m_deps.trayBackdrop)
        return;
    m_trayHostWait =
        std::make_unique<TrayHostWait>([] { return QSystemTrayIcon::isSystemTrayAvailable(); },
                                       [this] {
                                           m_deps.trayBackdrop->changed = nullptr;
                                           m_trayHostWait.reset();
                                           installTrayIcon();
                                       },
                                       m_deps.scheduler);
    m_deps.trayBackdrop->changed = [wait = m_trayHostWait.get()] { wait->announced(); };
}

void AppDelegate::openParlino() {
    m_deps.root.panelController().openPanel();
}

void AppDelegate::openSettings() {
    m_log.notice("activation: NSApp.activate — Settings menu");
    if (!m_settingsWindow) {
        m_settingsWindow = m_deps.makeSettingsWindow(m_settingsNavigation);
        if (!m_settingsWindow)
            return;
        m_menuKeys.attach(*m_settingsWindow);
        m_settingsWindow->onShownChanged = [&panel = m_deps.root.panelController()](bool shown) {
            panel.settingsWindowShownChanged(shown);
        };
    }
    if (!m_settingsWindow->isVisible()) {
        m_placer.place(*m_settingsWindow, {SettingsView::windowWidth, SettingsView::windowHeight},
                       SettingsView::leastWindowSize(),
                       [&panel = m_deps.root.panelController()] { panel.makeRoomForWindow(); });
    }
    m_log.notice("activation: settingsWindow.makeKeyAndOrderFront — Settings menu");
    m_settingsWindow->present();
}

ClipsWindowController& AppDelegate::clipsWindowController() {
    if (!m_clipsWindowController) {
        m_clipsWindowController = m_deps.makeClipsWindow();
        m_clipsWindowController->place = [this](QWidget& window) {
            m_placer.place(window, ClipsView::standaloneSize);
        };
    }
    return *m_clipsWindowController;
}

void AppDelegate::showClipsWindow() {
    ClipsWindowController& controller = clipsWindowController();
    const bool made = controller.window() != nullptr;
    controller.show();
    if (!made && controller.window())
        m_menuKeys.attach(*controller.window());
}

void AppDelegate::showTutorial() {
    m_deps.root.panelController().presentOnboarding();
}

void AppDelegate::toggleBubbleVisibility() {
    const SettingsKeys& keys = m_deps.keys;
    Defaults::set(keys.idleBarHidden, !Defaults::get(keys.idleBarHidden));
    m_deps.root.panelController().idleBarHiddenChanged();
    if (m_bubbleToggleItem)
        m_bubbleToggleItem->setText(bubbleToggleTitle());
}

void AppDelegate::readWithParlino(const QString& text) {
    m_log.notice("servicesProvider invoked — readWithParlino");
    if (text.isEmpty())
        return;
    m_deps.root.coordinator().read(text);
}

} // namespace Parlino
