#pragma once

#include "Parlino/Panel/TextMeasurer.h"
#include "Parlino/Panel/TranscriptCanvas.h"
#include "Parlino/Style/AnimatedValue.h"
#include "Parlino/Style/FrameDriver.h"
#include "Parlino/Style/MotionPreferences.h"
#include "Parlino/Style/PointerMotion.h"

#include <QWidget>

#include <memory>

class QScrollArea;

namespace Defaults {
class Observable;
}

namespace Parlino {

class FadingScrollView;
class ParlinoTextButton;
class PlayerViewModel;
struct SettingsKeys;

// The transcript of the read, its current word highlighted. It keeps the current word's
// paragraph centred until the user scrolls by hand, then offers "↓ current word" to follow
// again; scrolling done here never counts as the user's. A tapped word goes to the model's
// `onWordTap`. Font and letter case follow the settings. The focus ring of the text, which Tab
// reaches, goes around the view.
class HighlightedTextView final : public QWidget {
public:
    HighlightedTextView(PlayerViewModel& model, const SettingsKeys& settings,
                        const MotionContext& motion, QWidget* parent = nullptr);
    ~HighlightedTextView() override;

    bool isAutoScrollSuspended() const { return m_autoScrollSuspended; }
    TranscriptCanvas& canvas() { return *m_canvas; }
    QScrollArea& scrollArea();
    FadingScrollView& scrollView() { return *m_scroll; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void reloadContent();
    void layOutCanvas();
    void followCurrentWord();
    void setAutoScrollSuspended(bool suspended);
    void placeFollowButton();
    void showVisibleBand();

    PlayerViewModel& m_model;
    const SettingsKeys& m_settings;
    MotionContext m_motion;
    FontMetricsTextMeasurer m_measurer;
    // The scroll view wants a pointer to follow; its jump to the end is off here, so it is one
    // that never moves.
    PointerMotion m_stillPointer;
    FadingScrollView* m_scroll;
    TranscriptCanvas* m_canvas;
    ParlinoTextButton* m_followButton;
    std::unique_ptr<Defaults::Observable> m_fontDesign;
    std::unique_ptr<Defaults::Observable> m_fontSize;
    std::unique_ptr<Defaults::Observable> m_case;
    bool m_autoScrollSuspended = false;
    AnimatedValue m_scrollOffset;
    FrameDriver m_scrollFrames;
};

} // namespace Parlino
