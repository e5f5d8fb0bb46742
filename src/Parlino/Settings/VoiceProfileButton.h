#pragma once

#include "Parlino/Settings/VoiceAvailability.h"
#include "Parlino/Style/AnimatedValue.h"
#include "Parlino/Style/FrameDriver.h"
#include "Parlino/Style/ParlinoButton.h"

#include <QImage>
#include <QString>

namespace Parlino {

class VoiceMeshTimeline;

// The sizes of a voice button's marks, all fractions of its diameter with floors for the rings.
struct VoiceProfileMetrics {
    qreal diameter;
    qreal selectionRingWidth; // d × 0.038, at least 2
    qreal playingRingWidth;   // d × 0.03, at least 1.5
    qreal badgeSide;          // d × 0.288
    qreal badgeInset;         // d × 0.058, into the circle from the lower right corner
    qreal checkmarkSize;      // d × 0.154
    qreal spinnerScale;       // d × 0.011 of the small spinner
    qreal margin;             // room around the circle for the rings' outer halves

    static VoiceProfileMetrics forDiameter(qreal diameter);
};

// The playing ring at `elapsed` seconds after it appeared: it swells to 1.14 and fades to 0.15
// and back every 1.8 s, easing in and out; under Reduce Motion it stands at 1.0 and 0.55.
struct PlayingRingLook {
    qreal scale;
    qreal opacity;
    static PlayingRingLook at(double elapsed, bool reduceMotion);
};

// The round, pressable picture of one voice: its avatar with, as the caller says, a selection
// ring and checkmark badge, a dimmed spinner while its sample loads and a pulsing ring while it
// plays. Only the circle takes presses; `clicked` is its action. The widget is larger than the
// circle by `metrics().margin` on each side, for the rings.
class VoiceProfileButton final : public ParlinoButton {
public:
    VoiceProfileButton(const QString& voiceID, qreal diameter, const MotionContext& motion,
                       VoiceMeshTimeline& timeline, QWidget* parent = nullptr);
    ~VoiceProfileButton() override;

    const VoiceProfileMetrics& metrics() const { return m_metrics; }
    QString voiceID() const { return m_voiceID; }
    bool isSelected() const { return m_selected; }
    bool isLoading() const { return m_loading; }
    bool isPlaying() const { return m_playing; }
    VoiceAvailability availability() const { return m_availability; }
    // Whether the avatar is drawn moving (available or on hold, and Reduce Motion off).
    bool isMoving() const;

    void setVoiceID(const QString& voiceID);
    // The ring and badge fade in or out, unless `animated` is false (a button just built).
    void setSelected(bool selected, bool animated = true);
    void setAvailability(VoiceAvailability availability);
    void setLoading(bool loading);
    void setPlaying(bool playing);

    QSize sizeHint() const override;

protected:
    bool hitButton(const QPoint& pos) const override;
    void paintLabel(QPainter& painter, const QRectF& rect) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Joins the shared frame clock while something on the button moves and it is shown.
    void followMotion();
    bool needsFrames() const;
    void paintLoading(QPainter& painter, const QRectF& circle) const;
    void paintBadge(QPainter& painter, const QRectF& circle, qreal opacity) const;
    void paintPlayingRing(QPainter& painter, const QRectF& circle) const;

    MotionContext m_motion;
    VoiceMeshTimeline& m_timeline;
    QString m_voiceID;
    VoiceProfileMetrics m_metrics;
    VoiceAvailability m_availability = VoiceAvailability::available;
    bool m_selected = false;
    bool m_loading = false;
    bool m_playing = false;
    double m_playingSince = 0;
    AnimatedValue m_selection;
    FrameDriver m_selectionFrames;
    QImage m_frame;
};

} // namespace Parlino
