#pragma once

#include "Parlino/Panel/OpenURL.h"
#include "Parlino/Panel/SurfaceReveal.h"
#include "Parlino/Style/FrameDriver.h"

#include <QWidget>

class QLabel;

namespace Parlino {

class OnboardingGeometryBox;
class OnboardingModel;
class ParlinoIconButton;
class ParlinoTextButton;
class SpokenNotice;

// The tutorial's card: the current step's text (in the words for where its part shows) with its
// link and sign-off, a close button, one dot per step and the buttons that move through the
// steps. It stands at the bottom of its window, drops in by its own height and, when the
// tutorial ends, rises out through the whole window; under Reduce Motion it fades in place. Each
// presentation starts a fresh card. Its step buttons carry the step's words for screen readers,
// which say them as the keyboard comes to a button and, through a notification, when the step
// changes under the focused one.
class OnboardingView final : public QWidget {
public:
    static constexpr qreal cardWidth = 496;

    OnboardingView(OnboardingModel& model, OnboardingGeometryBox& geometry,
                   const MotionContext& motion, QWidget* parent = nullptr);
    ~OnboardingView() override;

    // Opens a step's link.
    OpenURL openURL = openInBrowser;

    // The card as placed now, in the view's coordinates.
    QRectF cardRect() const;
    // The row of step dots, in the view's coordinates.
    QRectF dotsRect() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class Card;
    void showStep();
    void placeCard();

    OnboardingModel& m_model;
    OnboardingGeometryBox& m_geometry;
    SurfaceReveal m_reveal;
    Card* m_card;
    QLabel* m_body;
    ParlinoTextButton* m_link;
    QLabel* m_signature;
    ParlinoTextButton* m_letsGo;
    ParlinoIconButton* m_previous;
    ParlinoIconButton* m_next;
    SpokenNotice* m_notice;
    FrameDriver m_frames;
};

} // namespace Parlino
