#include "Parlino/Panel/IdleBarView.h"

#include "Parlino/Panel/IdleBarGeometryBox.h"
#include "Parlino/Style/ParlinoButton.h"
#include "Parlino/Style/ParlinoGlass.h"

#include <QPainter>

namespace Parlino {

namespace {

constexpr double slideSeconds = 0.18;

// No scale, no backdrop, no hover: pressing only dims the bar under Reduce Motion.
ParlinoButtonStyle barStyle() {
    return {.scale = 1,
            .pressedScale = 1,
            .brightness = 0,
            .pressedBrightness = 0,
            .backdrop = std::nullopt,
            .backdropCornerRadius = 8,
            .hover = false};
}

} // namespace

class IdleBarView::Button final : public ParlinoButton {
public:
    Button(IdleBarView& owner, const MotionContext& motion)
        : ParlinoButton(barStyle(), motion, &owner), m_owner(owner) {
        setObjectName(QStringLiteral("IdleBarButton"));
        setAccessibleName(tr("Open Parlino"));
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintLabel(QPainter& painter, const QRectF& rect) override {
        const QRectF bar(rect.topLeft(), QSizeF(rect.width(), m_owner.m_geometry.pillHeight() +
                                                                  m_owner.m_growth.now()));
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setOpacity(painter.opacity() * m_owner.m_reveal.opacity());
        const ParlinoGlass::Look look = ParlinoGlass::look(ParlinoSurface::idleBar);
        painter.setClipPath(surfaceShape(bar, look));
        paintSurface(painter, bar, look);
    }

private:
    IdleBarView& m_owner;
};

IdleBarView::IdleBarView(IdleBarGeometryBox& geometry, const MotionContext& motion, QWidget* parent)
    : QWidget(parent), m_geometry(geometry), m_motion(motion),
      m_reveal(motion,
               [](bool revealing) {
                   return revealing ? Curve::easeOut(slideSeconds) : Curve::easeIn(slideSeconds);
               }),
      m_growth(motion.clock), m_button(new Button(*this, motion)), m_buttonHover(*m_button),
      m_frames(
          *this, motion.scheduler, [this] { refresh(); },
          [this] { return !m_reveal.isSettled() || !m_growth.isSettled(); }) {
    setObjectName(QStringLiteral("IdleBarView"));
    setAttribute(Qt::WA_TranslucentBackground);
    m_reveal.setRevealed(geometry.revealed());
    m_buttonHover.onEntered = [this] { setHovering(true); };
    m_buttonHover.onExited = [this] { setHovering(false); };
    connect(m_button, &QAbstractButton::clicked, this, [this] {
        if (onClicked)
            onClicked();
    });
    const auto redraw = [this] {
        refresh();
        m_frames.start();
    };
    connect(&geometry, &IdleBarGeometryBox::revealedChanged, this, [this, redraw] {
        m_reveal.setRevealed(m_geometry.revealed());
        redraw();
    });
    connect(&geometry, &IdleBarGeometryBox::presentationIDChanged, this, [this] {
        m_hovering = false;
        m_growth.jumpTo(0);
        refresh();
    });
    for (const auto signal :
         {&IdleBarGeometryBox::pillHeightChanged, &IdleBarGeometryBox::slideDistanceChanged,
          &IdleBarGeometryBox::horizontalBleedChanged})
        connect(&geometry, signal, this, redraw);
    refresh();
}

IdleBarView::~IdleBarView() = default;

QRectF IdleBarView::barRect() const {
    const qreal bleed = m_geometry.horizontalBleed();
    const qreal top = height() - m_geometry.pillHeight() - hoverGrowth +
                      m_reveal.offset(m_geometry.slideDistance());
    return {bleed, top, width() - 2 * bleed, m_geometry.pillHeight() + m_growth.now()};
}

void IdleBarView::setHovering(bool hovering) {
    if (hovering == m_hovering)
        return;
    m_hovering = hovering;
    // The growth is a small change of size, eased out instead of sprung under Reduce Motion.
    const Curve curve =
        m_motion.preferences.reduceMotion() ? Curve::easeOut(0.12) : Curve::spring(0.32, 0.58);
    m_growth.animateTo(hovering ? hoverGrowth : 0, curve, false);
    refresh();
    m_frames.start();
}

void IdleBarView::refresh() {
    const QRectF bar = barRect();
    // The button keeps the room the bar grows into below it.
    m_button->setGeometry(
        QRectF(bar.topLeft(), QSizeF(bar.width(), m_geometry.pillHeight() + hoverGrowth))
            .toAlignedRect());
    m_button->update();
}

void IdleBarView::resizeEvent(QResizeEvent*) {
    refresh();
}

} // namespace Parlino
