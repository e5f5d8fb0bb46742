#include "Parlino/Settings/VoiceProfileButton.h"

#include "Parlino/Settings/VoiceMeshCanvas.h"
#include "Parlino/Settings/VoiceMeshTimeline.h"
#include "Parlino/Settings/VoiceViewKit.h"
#include "Parlino/Style/ChoiceAccessible.h"
#include "Parlino/Style/Icons.h"
#include "Parlino/Style/MotionPreferences.h"
#include "Parlino/Style/Theme.h"

#include <QPainter>
#include <QtMath>

#include <cmath>

namespace Parlino {

namespace {

const ParlinoButtonStyle buttonLook{0.97, 0.93, 0, 0, std::nullopt, 8, true};

constexpr double selectionSeconds = 0.12;
constexpr double pulseSeconds = 0.9; // one way; a full swell and return takes twice as long
constexpr qreal pulseScale = 1.14;
constexpr qreal pulseRestOpacity = 0.55;
constexpr qreal pulseExpandedOpacity = 0.15;
constexpr qreal loadingVeilOpacity = 0.45;

} // namespace

VoiceProfileMetrics VoiceProfileMetrics::forDiameter(qreal d) {
    const qreal selectionRing = std::max(d * 0.038, 2.0);
    const qreal playingRing = std::max(d * 0.03, 1.5);
    const qreal ringReach =
        std::max(selectionRing / 2, d / 2 * (pulseScale - 1) + playingRing * pulseScale / 2);
    return {d,         selectionRing, playingRing, d * 0.288,
            d * 0.058, d * 0.154,     d * 0.011,   std::ceil(ringReach)};
}

PlayingRingLook PlayingRingLook::at(double elapsed, bool reduceMotion) {
    if (reduceMotion)
        return {1.0, pulseRestOpacity};
    const double cycles = std::max(0.0, elapsed) / pulseSeconds;
    const double leg = cycles - std::floor(cycles);
    const bool returning = static_cast<qint64>(std::floor(cycles)) % 2 == 1;
    const double expanded = Curve::easeInOut(1).progress(returning ? 1 - leg : leg);
    return {1 + (pulseScale - 1) * expanded,
            pulseRestOpacity + (pulseExpandedOpacity - pulseRestOpacity) * expanded};
}

VoiceProfileButton::VoiceProfileButton(const QString& voiceID, qreal diameter,
                                       const MotionContext& motion, VoiceMeshTimeline& timeline,
                                       QWidget* parent)
    : ParlinoButton(buttonLook, motion, parent), m_motion(motion), m_timeline(timeline),
      m_voiceID(voiceID), m_metrics(VoiceProfileMetrics::forDiameter(diameter)),
      m_selection(motion.clock), m_selectionFrames(
                                     *this, motion.scheduler, [this] { update(); },
                                     [this] { return !m_selection.isSettled(); }) {
    setObjectName(QStringLiteral("VoiceProfileButton"));
    ChoiceAccessible::mark(*this, QAccessible::RadioButton);
    const int side = static_cast<int>(std::ceil(diameter + 2 * m_metrics.margin));
    setFixedSize(side, side);
    connect(&motion.preferences, &MotionPreferences::reduceMotionChanged, this, [this] {
        followMotion();
        update();
    });
}

VoiceProfileButton::~VoiceProfileButton() {
    m_timeline.unsubscribe(this);
}

bool VoiceProfileButton::isMoving() const {
    return look(m_availability).moves && !m_motion.preferences.reduceMotion();
}

void VoiceProfileButton::setVoiceID(const QString& voiceID) {
    if (voiceID == m_voiceID)
        return;
    m_voiceID = voiceID;
    update();
}

void VoiceProfileButton::setSelected(bool selected, bool animated) {
    if (selected == m_selected)
        return;
    m_selected = selected;
    ChoiceAccessible::setChosen(*this, selected);
    if (animated) {
        // A fade, not a movement, so it plays under Reduce Motion too.
        m_selection.animateTo(selected ? 1 : 0, Curve::easeOut(selectionSeconds), false);
        m_selectionFrames.start();
    } else {
        m_selection.jumpTo(selected ? 1 : 0);
    }
    update();
}

void VoiceProfileButton::setAvailability(VoiceAvailability availability) {
    if (availability == m_availability)
        return;
    m_availability = availability;
    followMotion();
    update();
}

void VoiceProfileButton::setLoading(bool loading) {
    if (loading == m_loading)
        return;
    m_loading = loading;
    followMotion();
    update();
}

void VoiceProfileButton::setPlaying(bool playing) {
    if (playing == m_playing)
        return;
    m_playing = playing;
    m_playingSince = m_timeline.time();
    followMotion();
    update();
}

QSize VoiceProfileButton::sizeHint() const {
    return size();
}

bool VoiceProfileButton::hitButton(const QPoint& pos) const {
    const QPointF offset = QPointF(pos) + QPointF(0.5, 0.5) - QRectF(rect()).center();
    const qreal radius = m_metrics.diameter / 2;
    return QPointF::dotProduct(offset, offset) <= radius * radius;
}

bool VoiceProfileButton::needsFrames() const {
    return isMoving() || m_loading || (m_playing && !m_motion.preferences.reduceMotion());
}

void VoiceProfileButton::followMotion() {
    if (isVisible() && needsFrames())
        m_timeline.subscribe(this);
    else
        m_timeline.unsubscribe(this);
}

void VoiceProfileButton::showEvent(QShowEvent* event) {
    ParlinoButton::showEvent(event);
    followMotion();
}

void VoiceProfileButton::hideEvent(QHideEvent* event) {
    ParlinoButton::hideEvent(event);
    m_timeline.unsubscribe(this);
}

void VoiceProfileButton::paintLabel(QPainter& painter, const QRectF& rect) {
    const qreal d = m_metrics.diameter;
    const QRectF circle(rect.center() - QPointF(d / 2, d / 2), QSizeF(d, d));
    painter.setRenderHint(QPainter::Antialiasing);
    VoiceMeshCanvas::paint(painter, circle, m_voiceID, m_availability, isMoving(),
                           m_timeline.time(), m_frame);
    if (m_loading)
        paintLoading(painter, circle);

    const qreal selection = m_selection.now();
    if (selection > 0) {
        QColor ring = Theme::accent();
        ring.setAlphaF(static_cast<float>(std::clamp(selection, 0.0, 1.0)));
        painter.setPen(QPen(ring, m_metrics.selectionRingWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(circle);
        paintBadge(painter, circle, selection);
    }
    if (m_playing)
        paintPlayingRing(painter, circle);
}

void VoiceProfileButton::paintLoading(QPainter& painter, const QRectF& circle) const {
    QColor veil = Theme::ink();
    veil.setAlphaF(loadingVeilOpacity);
    painter.setPen(Qt::NoPen);
    painter.setBrush(veil);
    painter.drawEllipse(circle);

    paintSmallSpinner(painter, circle.center(), m_metrics.spinnerScale, m_timeline.time());
}

void VoiceProfileButton::paintBadge(QPainter& painter, const QRectF& circle, qreal opacity) const {
    const qreal side = m_metrics.badgeSide;
    const QRectF badge(circle.right() - side - m_metrics.badgeInset,
                       circle.bottom() - side - m_metrics.badgeInset, side, side);
    painter.save();
    painter.setOpacity(painter.opacity() * std::clamp(opacity, 0.0, 1.0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::accent());
    painter.drawEllipse(badge);
    Icons::paint(painter, badge, QStringLiteral("checkmark"), m_metrics.checkmarkSize, Qt::white,
                 Icons::Weight::bold);
    painter.restore();
}

void VoiceProfileButton::paintPlayingRing(QPainter& painter, const QRectF& circle) const {
    const PlayingRingLook ring = PlayingRingLook::at(m_timeline.time() - m_playingSince,
                                                     m_motion.preferences.reduceMotion());
    QColor colour = Theme::accent();
    colour.setAlphaF(static_cast<float>(ring.opacity));
    painter.save();
    painter.translate(circle.center());
    painter.scale(ring.scale, ring.scale);
    painter.setPen(QPen(colour, m_metrics.playingRingWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(0, 0), circle.width() / 2, circle.height() / 2);
    painter.restore();
}

} // namespace Parlino
