#include "Parlino/Clips/ClipsWindowController.h"

#include "Base/Log.h"
#include "Parlino/Clips/ClipsView.h"
#include "Parlino/Style/CloseKeys.h"
#include "Parlino/Style/Theme.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace Parlino {

namespace {

const Base::Log log(QStringLiteral("focus-diag"));

} // namespace

ClipsWindowController::ClipsWindowController(ClipLibrary& clipLibrary, AudioOutput* audioOutput,
                                             std::unique_ptr<Playback::ChunkPlayerFactory> players,
                                             const ClipsViewEnvironment& environment)
    : m_environment(environment),
      m_viewModel(clipLibrary, audioOutput, std::move(players), environment.keys) {}

ClipsWindowController::~ClipsWindowController() = default;

void ClipsWindowController::show() {
    log.notice("activation: NSApp.activate — Audio Clips window (menu)");
    m_viewModel.whenListed([this] { present(); });
}

void ClipsWindowController::present() {
    m_viewModel.reloadImmediately();
    if (!m_window)
        makeWindow();
    if (place && !m_window->isVisible())
        place(*m_window);
    log.notice("activation: clipsWindow.makeKeyAndOrderFront — Audio Clips window (menu)");
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void ClipsWindowController::makeWindow() {
    m_window = std::make_unique<QWidget>(
        nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                     Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                     Qt::WindowCloseButtonHint);
    m_window->setObjectName(QStringLiteral("ClipsWindow"));
    m_window->setWindowTitle(QStringLiteral("Audio Clips"));
    m_window->setPalette(Theme::darkPalette());
    m_window->setFixedSize(ClipsView::standaloneSize);
    m_view = new ClipsView(m_viewModel, false, 0, m_environment, m_window.get());
    auto* layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    installCloseKeys(*m_window);
    // Closing only hides the window; the next show brings it back as it was left.
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    if (place)
        return;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), ClipsView::standaloneSize);
        frame.moveCenter(screen->availableGeometry().center());
        m_window->move(frame.topLeft());
    }
}

} // namespace Parlino
