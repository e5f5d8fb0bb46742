#include "Parlino/Shell/Linux/DesktopPanel.h"

#include "Parlino/Panel/BubbleView.h"
#include "Parlino/Panel/IdleBarView.h"
#include "Parlino/Panel/Linux/X11SurfaceWindow.h"
#include "Parlino/Panel/OnboardingView.h"
#include "Parlino/Panel/PanelController.h"
#include "Parlino/Panel/PanelPages.h"
#include "Parlino/Panel/PanelView.h"
#include "Parlino/Panel/WarningPopupView.h"
#include "Playback/Linux/SystemChunkPlayerFactory.h"
#include "Playback/Linux/SystemOutputFactory.h"

#include <QEvent>

namespace Parlino {

namespace {

// Hands the keyboard focus to the window's view whenever the window becomes key, so the view
// takes Space and Esc itself and the window's own Esc handling is left for other focus.
class FocusOnActivation final : public QObject {
public:
    explicit FocusOnActivation(FloatingPanel& window) : QObject(&window), m_window(window) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::WindowActivate && m_window.contentView())
            m_window.contentView()->setFocus(Qt::ActiveWindowFocusReason);
        return false;
    }

private:
    FloatingPanel& m_window;
};

QString windowTitle(SurfaceKind kind) {
    switch (kind) {
    case SurfaceKind::panel:
        return QStringLiteral("Parlino Panel");
    case SurfaceKind::bubble:
        return QStringLiteral("Parlino Bubble");
    case SurfaceKind::idleBar:
        return QStringLiteral("Parlino Idle Bar");
    case SurfaceKind::warning:
        return QStringLiteral("Parlino Warning");
    case SurfaceKind::onboarding:
        return QStringLiteral("Parlino Tutorial");
    }
    return {};
}

} // namespace

DesktopPanel::DesktopPanel(MotionContext motion, PointerMotion& pointer, const SettingsKeys& keys)
    : m_motion(motion), m_pointer(pointer), m_keys(keys) {}

PanelViewServices DesktopPanel::panelServices(CompositionRoot& root,
                                              PanelController& controller) const {
    const auto settings = m_settingsServices ? m_settingsServices() : std::nullopt;
    if (!settings)
        return {.warningModel = &controller.warningModel(),
                .audioOutput = &root.audioOutput(),
                .makePage = {},
                .desktopSettings = nullptr};
    return {.warningModel = &controller.warningModel(),
            .audioOutput = &root.audioOutput(),
            .makePage =
                PanelPages{*settings, controller.settingsNavigation(), controller.clipsViewModel(),
                           ClipsViewEnvironment{m_motion, m_pointer, m_keys}},
            .desktopSettings = &settings->desktopSettings};
}

std::unique_ptr<PanelControl> DesktopPanel::make(CompositionRoot& root) {
    auto makeWindow = [](SurfaceKind kind) {
        auto surface = std::make_unique<X11SurfaceWindow>(kind);
        surface->window().setWindowTitle(windowTitle(kind));
        if (kind == SurfaceKind::panel)
            new FocusOnActivation(surface->window());
        return surface;
    };
    auto makeContent = [this, &root](SurfaceKind kind, PanelController& controller) -> QWidget* {
        switch (kind) {
        case SurfaceKind::panel: {
            auto* view = new PanelView(controller.viewModel(), controller.geometryBox(), m_keys,
                                       m_motion, panelServices(root, controller));
            view->onHoverEntered = [&controller] { controller.handlePanelHoverEntered(); };
            view->onWarningTapped = [&controller] { controller.scheduleWarningPopup(); };
            return view;
        }
        case SurfaceKind::bubble: {
            auto* view = new BubbleView(controller.viewModel(), controller.bubbleGeometry(), m_keys,
                                        m_motion);
            view->onHoverEntered = [&controller] { controller.handleBubbleHover(); };
            return view;
        }
        case SurfaceKind::idleBar: {
            auto* view = new IdleBarView(controller.idleBarGeometry(), m_motion);
            view->onClicked = [&controller] { controller.handleIdleBarClick(); };
            return view;
        }
        case SurfaceKind::warning:
            return new WarningPopupView(
                controller.warningModel(), controller.warningGeometry(), m_motion,
                [&controller] { controller.retractWarningPopup(false); },
                [&controller] { controller.retractWarningPopup(true); });
        case SurfaceKind::onboarding:
            return new OnboardingView(controller.onboardingModel(), controller.onboardingGeometry(),
                                      m_motion);
        }
        return nullptr;
    };
    auto clipPlayers = std::make_unique<Playback::SystemChunkPlayerFactory>(
        std::make_unique<Playback::SystemOutputFactory>(m_motion.clock, m_motion.scheduler));
    return std::make_unique<PanelController>(
        root.viewModel(), root.clipLibrary(), root.warningModel(), &root.audioOutput(),
        std::move(clipPlayers),
        PanelEnvironment{m_screens, makeWindow, m_pointerSource, m_pointer, m_textMeasurer,
                         m_motion.preferences, m_keys, m_motion.clock, m_motion.scheduler},
        makeContent);
}

} // namespace Parlino
