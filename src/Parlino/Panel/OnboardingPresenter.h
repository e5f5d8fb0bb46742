#pragma once

#include "Parlino/Panel/PanelFocusTarget.h"
#include "Parlino/Panel/PanelSurfaces.h"

#include <QRectF>

#include <functional>

namespace Parlino {

class OnboardingModel;
class SurfacePlacement;

// The tutorial's card: opens the panel as the menu does, pins it, waits for its sheet to settle
// and shows the card just below it; Esc, the last step or the panel going away ends it. The card
// follows the panel when its page changes the sheet's size. While the panel is up to make room
// for the settings window, the steps' parts show in that window. The card takes the keyboard
// when it comes up, on the step's way on, so that a newcomer walks the tutorial from the
// keyboard; Tab goes round the card's controls and the panel's while both show. Main thread
// only.
class OnboardingPresenter {
public:
    // `openPanel` opens the panel from the idle bar or the bubble, as the menu does;
    // `givePanelTheKeyboard` gives the panel the keyboard on the control named.
    OnboardingPresenter(const PanelSurfaces& surfaces, SurfacePlacement& placement,
                        OnboardingModel& model, std::function<void()> openPanel,
                        std::function<void(PanelFocusTarget)> givePanelTheKeyboard);

    // Once at a time: presenting again while the card is up does nothing.
    void present();
    // `dismissPanel` also asks the tutorial's model to dismiss the panel.
    void end(bool dismissPanel);
    bool isPresented() const { return m_presented; }
    // The card is up, or coming in, and takes keys.
    bool isShown() const;
    // The user asked for Parlino while the card shows: the card takes the keyboard back, on the
    // control it had.
    void giveKeyboard();
    // The panel's page changed: the card follows the sheet's new size and stays above the panel.
    void followPanel();
    // The panel is to make room for a window the user works in: the card no longer needs it and
    // stays when the panel goes, under the top edge of the screen while the panel is up.
    void standWithoutPanel();
    // The panel retracts: the tutorial ends with it, unless the card stands without it.
    void panelRetracting();
    // The panel drops while the card stands without it: the card goes under it again.
    void panelDropping();
    // The settings window was shown, or hidden or minimised. While it shows and the card stands
    // without the panel, which is up, the window shows what the steps reveal, from the current
    // step on.
    void settingsWindowShownChanged(bool shown);

private:
    void openForOnboarding(double deadline);
    void pin();
    void settle(QRectF previous, int pass);
    void showCard();
    void placeWindow();
    bool isPanelDown() const;
    bool tabToPanel(TabDirection direction);
    bool tabToCard(TabDirection direction);
    void updateHost();

    const PanelSurfaces& m_surfaces;
    SurfacePlacement& m_placement;
    OnboardingModel& m_model;
    std::function<void()> m_openPanel;
    std::function<void(PanelFocusTarget)> m_givePanelTheKeyboard;
    bool m_presented = false;
    bool m_standsWithoutPanel = false;
    bool m_settingsWindowShown = false;
    Base::ScheduledTask m_presentationTask;
    Base::ScheduledTask m_retractTask;
    Base::ScheduledTask m_raiseTask;
};

} // namespace Parlino
