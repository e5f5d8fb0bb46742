#include "Parlino/Style/FadingScrollView.h"

#include "Parlino/Style/ControlPainting.h"
#include "Parlino/Style/FocusRest.h"
#include "Parlino/Style/Icons.h"
#include "Parlino/Style/PointerMotion.h"
#include "Parlino/Style/ScrollReveal.h"
#include "Parlino/Style/Theme.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

namespace Parlino {

namespace {

// Leaves bringing the focused control into view to the scroll view around it, which does it
// however the focus came and keeps it clear of the chevron too.
class ScrollArea final : public QScrollArea {
public:
    using QScrollArea::QScrollArea;

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

} // namespace

FadingScrollBar::FadingScrollBar(const ScrollBarModel& model, const MotionContext& motion,
                                 QWidget* parent)
    : QWidget(parent), m_model(model), m_motion(motion), m_fader(model, motion.scheduler),
      m_opacity(motion.clock), m_frames(
                                   *this, motion.scheduler, [this] { update(); },
                                   [this] { return !m_opacity.isSettled(); }) {
    setObjectName(QStringLiteral("FadingScrollBar"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    connect(&m_fader, &ScrollBarFader::isVisibleChanged, this, [this] {
        m_opacity.animateTo(m_fader.isVisible() ? 1 : 0, Curve::easeOut(fadeSeconds),
                            m_motion.preferences.reduceMotion());
        update();
        m_frames.start();
    });
    connect(&model, &ScrollBarModel::contentHeightChanged, this, [this] { update(); });
    connect(&model, &ScrollBarModel::viewportHeightChanged, this, [this] { update(); });
    connect(&model, &ScrollBarModel::offsetChanged, this, [this] { update(); });
}

void FadingScrollBar::hideEvent(QHideEvent* event) {
    m_fader.hide();
    m_opacity.jumpTo(0);
    QWidget::hideEvent(event);
}

void FadingScrollBar::paintEvent(QPaintEvent*) {
    const ScrollMetrics& metrics = m_model.metrics();
    if (!ScrollBar::isShown(metrics) || opacity() <= 0)
        return;
    const ScrollBarGeometry bar = ScrollBar::geometry(metrics);
    const qreal x = width() - ScrollBar::inset - ScrollBar::width;
    const qreal top = ScrollBar::inset;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(opacity());
    fillCapsule(painter, QRectF(x, top, ScrollBar::width, bar.trackLength), Theme::white07());
    fillCapsule(painter, QRectF(x, top + bar.thumbOffset, ScrollBar::width, bar.thumbLength),
                Theme::white(ScrollBar::thumbOpacity));
}

JumpToEndChevron::JumpToEndChevron(const MotionContext& motion, QWidget* parent)
    : ParlinoButton(ParlinoButtonStyle::standard(false), motion, parent), m_motion(motion),
      m_opacity(motion.clock), m_hoverAmount(motion.clock),
      m_frames(
          *this, motion.scheduler, [this] { update(); },
          [this] { return !m_opacity.isSettled() || !m_hoverAmount.isSettled(); }) {
    setObjectName(QStringLiteral("JumpToEndChevron"));
    setAccessibleName(QStringLiteral("Jump to oldest"));
    setFixedSize(sizeHint());
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void JumpToEndChevron::setShown(bool shown) {
    if (shown == m_shown)
        return;
    m_shown = shown;
    setAttribute(Qt::WA_TransparentForMouseEvents, !shown);
    setFocusPolicy(shown ? Qt::TabFocus : Qt::NoFocus);
    // Also while its window is not active, which would give the focus back to it. The rest around
    // the scroll view keeps it, so that Space pressed again does not reach another control.
    if (!shown && window()->focusWidget() == this && !FocusRest::takeFocusFrom(*this))
        focusPreviousChild();
    m_opacity.animateTo(shown ? 1 : 0, Curve::easeOut(showSeconds),
                        m_motion.preferences.reduceMotion());
    update();
    m_frames.start();
}

void JumpToEndChevron::enterEvent(QEnterEvent* event) {
    animateHover(true);
    ParlinoButton::enterEvent(event);
}

void JumpToEndChevron::leaveEvent(QEvent* event) {
    animateHover(false);
    ParlinoButton::leaveEvent(event);
}

void JumpToEndChevron::animateHover(bool hovering) {
    m_hoverAmount.animateTo(hovering ? 1 : 0, Curve::easeOut(hoverSeconds), false);
    update();
    m_frames.start();
}

void JumpToEndChevron::paintLabel(QPainter& painter, const QRectF& rect) {
    painter.setOpacity(painter.opacity() * opacity());
    paintHoverDisc(painter, rect, m_hoverAmount.now());
    Icons::paint(painter, rect, QStringLiteral("chevron.down"), symbolSize, Theme::accent(),
                 Icons::Weight::semibold);
}

FadingScrollView::FadingScrollView(JumpToEndPolicy jumpToEnd, PointerMotion& pointer,
                                   const MotionContext& motion, QWidget* parent)
    : QWidget(parent), m_jumpToEnd(jumpToEnd), m_pointer(pointer), m_area(new ScrollArea(this)),
      m_bar(new FadingScrollBar(m_model, motion, this)) {
    setObjectName(QStringLiteral("FadingScrollView"));
    m_area->setFrameShape(QFrame::NoFrame);
    // Not a stop of its own on the Tab chain: the controls inside take the focus, and the area
    // scrolls to whichever has it.
    m_area->setFocusPolicy(Qt::NoFocus);
    m_area->setWidgetResizable(true);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_area->viewport()->setAutoFillBackground(false);
    m_area->viewport()->installEventFilter(this);
    // The scroll bar's value and range stand in for the clip view's bounds and the document
    // view's frame: every scroll, resize of the content or of the viewport republishes.
    const QScrollBar* vertical = m_area->verticalScrollBar();
    connect(vertical, &QScrollBar::valueChanged, this, [this] { publish(); });
    connect(vertical, &QScrollBar::rangeChanged, this, [this] { publish(); });
    m_model.scrollToEnd = [area = m_area] {
        area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    };
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { followFocus(now); });

    if (jumpToEnd != JumpToEndPolicy::never) {
        m_chevron = new JumpToEndChevron(motion, this);
        connect(m_chevron, &QAbstractButton::clicked, this, [this] {
            if (m_model.scrollToEnd)
                m_model.scrollToEnd();
        });
        connect(&m_model, &ScrollBarModel::offsetChanged, this, [this] { updateChevron(); });
        connect(&m_model, &ScrollBarModel::contentHeightChanged, this, [this] { updateChevron(); });
        connect(&m_model, &ScrollBarModel::viewportHeightChanged, this,
                [this] { updateChevron(); });
        if (jumpToEnd == JumpToEndPolicy::whileThePointerMoves)
            connect(&pointer, &PointerMotion::isMovingChanged, this, [this] { updateChevron(); });
    }
    m_bar->raise();
    if (m_chevron)
        m_chevron->raise();
}

// The scroll area goes first, while the model its signals write to still exists.
FadingScrollView::~FadingScrollView() {
    delete m_area;
}

void FadingScrollView::setContent(QWidget* content) {
    if (QWidget* old = m_area->widget())
        old->removeEventFilter(this);
    m_area->setWidget(content);
    if (content)
        content->installEventFilter(this);
    publish();
}

void FadingScrollView::resizeEvent(QResizeEvent*) {
    m_area->setGeometry(rect());
    m_bar->setGeometry(rect());
    if (m_chevron) {
        const qreal bottomGap = 2;
        m_chevron->move((width() - m_chevron->width()) / 2,
                        height() - m_chevron->height() - int(bottomGap));
    }
}

bool FadingScrollView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize &&
        (watched == m_area->viewport() || watched == m_area->widget()))
        publish();
    if (event->type() == QEvent::MouseButtonRelease && watched == m_revealOnRelease) {
        m_revealOnRelease->removeEventFilter(this);
        m_revealOnRelease = nullptr;
        // Once the release has reached the control, which may act on it or move the focus.
        QMetaObject::invokeMethod(
            this, [this] { followFocus(QApplication::focusWidget()); }, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

FadingScrollView* FadingScrollView::around(const QWidget& widget) {
    for (QWidget* parent = widget.parentWidget(); parent; parent = parent->parentWidget())
        if (auto* view = dynamic_cast<FadingScrollView*>(parent)) {
            const QWidget* content = view->m_area->widget();
            return content && content->isAncestorOf(&widget) ? view : nullptr;
        }
    return nullptr;
}

bool FadingScrollView::showsWhole(const QWidget& descendant) const {
    const auto [top, bottom] = band(descendant);
    return ScrollReveal::showsWhole(m_model.metrics(), top, bottom, coveredBelow());
}

void FadingScrollView::reveal(const QWidget& descendant) {
    if (showsWhole(descendant))
        return;
    // With a little of what lies around it, as the first row's padding above its first control.
    const auto [top, bottom] = band(descendant);
    m_area->verticalScrollBar()->setValue(qRound(ScrollReveal::offsetShowing(
        m_model.metrics(), top - revealMargin, bottom + revealMargin, coveredBelow())));
}

void FadingScrollView::followFocus(QWidget* focused) {
    const QWidget* content = m_area->widget();
    // The content itself is the document the area scrolls, not a control in it.
    if (!focused || !content || focused == content || !content->isAncestorOf(focused))
        return;
    if (QGuiApplication::mouseButtons() != Qt::NoButton) {
        if (m_revealOnRelease)
            m_revealOnRelease->removeEventFilter(this);
        m_revealOnRelease = focused;
        focused->installEventFilter(this);
        return;
    }
    reveal(*focused);
}

std::pair<qreal, qreal> FadingScrollView::band(const QWidget& descendant) const {
    const int top = descendant.mapTo(m_area->widget(), QPoint()).y();
    return {top, top + descendant.height()};
}

// The chevron's place, from its top to the area's bottom.
qreal FadingScrollView::coveredBelow() const {
    return m_chevron ? height() - m_chevron->y() : 0;
}

void FadingScrollView::publish() {
    const QWidget* content = m_area->widget();
    m_model.setOffset(m_area->verticalScrollBar()->value());
    m_model.setContentHeight(content ? content->height() : 0);
    m_model.setViewportHeight(m_area->viewport()->height());
}

void FadingScrollView::updateChevron() {
    m_chevron->setShown(JumpToEnd::isShown(m_jumpToEnd, m_model.metrics(), m_pointer.isMoving()));
}

} // namespace Parlino
