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

namespace Parlino {

namespace {

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
        return surface;
    };
    PanelView* panelView = nullptr;
    auto makeContent = [this, &root, &panelView](SurfaceKind kind,
                                                 PanelController& controller) -> QWidget* {
        switch (kind) {
        case SurfaceKind::panel: {
            panelView = new PanelView(controller.viewModel(), controller.geometryBox(), m_keys,
                                      m_motion, panelServices(root, controller));
            panelView->onHoverEntered = [&controller] { controller.handlePanelHoverEntered(); };
            panelView->onWarningTapped = [&controller] { controller.scheduleWarningPopup(); };
            return panelView;
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
    auto controller = std::make_unique<PanelController>(
        root.viewModel(), root.clipLibrary(), root.warningModel(), &root.audioOutput(),
        std::move(clipPlayers),
        PanelEnvironment{m_screens, makeWindow, m_pointerSource, m_pointer, m_textMeasurer,
                         m_motion.preferences, m_keys, m_motion.clock, m_motion.scheduler},
        makeContent);
    controller->onPanelFocus = [panelView](PanelFocusTarget target) {
        panelView->focusOnOpen(target);
    };
    return controller;
}

} // namespace Parlino
