#include "Parlino/Settings/SettingsWindow.h"

#include "Base/Log.h"
#include "Parlino/Settings/SettingsView.h"
#include "Parlino/Style/CloseKeys.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace Parlino {

namespace {
const Base::Log log(QStringLiteral("focus-diag"));
}

SettingsWindow::SettingsWindow(const SettingsServices& services, SettingsNavigation& navigation,
                               QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinimizeButtonHint),
      m_view(new SettingsView(services, navigation, false, 0)) {
    setObjectName(QStringLiteral("SettingsWindow"));
    setWindowTitle(QStringLiteral("Parlino Settings"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setFixedSize(SettingsView::windowWidth, SettingsView::windowHeight);
    installCloseKeys(*this);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = rect();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void SettingsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (onShownChanged)
        onShownChanged(true);
}

void SettingsWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (onShownChanged)
        onShownChanged(false);
}

void SettingsWindow::present() {
    log.info("activation: settingsWindow.makeKeyAndOrderFront — Settings menu");
    show();
    raise();
    activateWindow();
}

} // namespace Parlino
