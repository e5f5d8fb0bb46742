#pragma once

#include "Parlino/Style/AnimatedValue.h"
#include "Parlino/Style/FrameDriver.h"
#include "Parlino/Style/JumpToEndPolicy.h"
#include "Parlino/Style/MotionPreferences.h"
#include "Parlino/Style/ParlinoButton.h"
#include "Parlino/Style/ScrollBarFader.h"
#include "Parlino/Style/ScrollBarModel.h"

#include <QPointer>
#include <QWidget>

#include <utility>

class QScrollArea;

namespace Parlino {

class PointerMotion;

// The thin overlay bar of a scroll area: a track and a thumb along its right edge, shown while
// the content moves and faded out after. It only indicates; every click falls through.
class FadingScrollBar final : public QWidget {
public:
    static constexpr double fadeSeconds = 0.25;

    FadingScrollBar(const ScrollBarModel& model, const MotionContext& motion,
                    QWidget* parent = nullptr);

    const ScrollBarFader& fader() const { return m_fader; }
    double opacity() const { return m_opacity.now(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    const ScrollBarModel& m_model;
    MotionContext m_motion;
    ScrollBarFader m_fader;
    AnimatedValue m_opacity;
    FrameDriver m_frames;
};

// The small round button that scrolls straight to the end of the content. While not shown it
// is transparent, lets every click through to the content and is no stop for Tab; when it goes
// while it has the focus, the focus goes to the rest around it (FocusRest), else back to the
// control before it.
class JumpToEndChevron final : public ParlinoButton {
public:
    static constexpr qreal side = 26;
    static constexpr qreal symbolSize = 11;
    static constexpr double showSeconds = 0.15;
    static constexpr double hoverSeconds = 0.12;

    explicit JumpToEndChevron(const MotionContext& motion, QWidget* parent = nullptr);

    bool isShown() const { return m_shown; }
    void setShown(bool shown);
    double opacity() const { return m_opacity.now(); }

    QSize sizeHint() const override { return {int(side), int(side)}; }

protected:
    void paintLabel(QPainter& painter, const QRectF& rect) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void animateHover(bool hovering);

    MotionContext m_motion;
    bool m_shown = false;
    AnimatedValue m_opacity;
    AnimatedValue m_hoverAmount;
    FrameDriver m_frames;
};

// A vertical scroll area without the platform's scroll bars: it draws a fading overlay bar
// instead and, unless the policy is `never`, a chevron at the bottom centre that jumps to the
// end. The area reports its offset and heights into its ScrollBarModel. Whatever control in its
// content takes the keyboard focus, by Tab, a click or the program, it scrolls into view whole,
// clear of the chevron's place (after the click, so that the control stays under the pointer
// until the button is released).
class FadingScrollView final : public QWidget {
public:
    // How much around a control scrolled into view shows with it, where there is room.
    static constexpr qreal revealMargin = 8;

    FadingScrollView(JumpToEndPolicy jumpToEnd, PointerMotion& pointer, const MotionContext& motion,
                     QWidget* parent = nullptr);
    ~FadingScrollView() override;

    // Takes ownership and deletes any earlier content; the content is as wide as the area and as
    // tall as it asks to be.
    void setContent(QWidget* content);

    QScrollArea& scrollArea() const { return *m_area; }
    const ScrollBarModel& model() const { return m_model; }
    FadingScrollBar& scrollBar() const { return *m_bar; }
    // None under the policy `never`.
    JumpToEndChevron* chevron() const { return m_chevron; }

    // The scroll view whose content holds `widget`; none when no scroll view does.
    static FadingScrollView* around(const QWidget& widget);
    // Whether `descendant` of the content shows whole: inside the visible area and, while there
    // is content below, above the chevron's place, whether the chevron shows now or not.
    bool showsWhole(const QWidget& descendant) const;
    // Scrolls as little as it takes for `descendant` of the content to show whole, with
    // `revealMargin` around it; nothing when it shows whole already.
    void reveal(const QWidget& descendant);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void publish();
    void updateChevron();
    void followFocus(QWidget* focused);
    // `descendant`'s top and bottom in the content's pixels.
    std::pair<qreal, qreal> band(const QWidget& descendant) const;
    qreal coveredBelow() const;

    JumpToEndPolicy m_jumpToEnd;
    PointerMotion& m_pointer;
    ScrollBarModel m_model;
    QScrollArea* m_area;
    FadingScrollBar* m_bar;
    JumpToEndChevron* m_chevron = nullptr;
    // The control that took the focus by a press of the pointer, shown once it is released.
    QPointer<QWidget> m_revealOnRelease;
};

} // namespace Parlino
