#include "Parlino/Panel/HighlightedTextView.h"

#include "Defaults/Default.h"
#include "Parlino/Panel/TranscriptAccessible.h"
#include "Parlino/Services/PanelFontChoice.h"
#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Style/FadingScrollView.h"
#include "Parlino/Style/FocusRing.h"
#include "Parlino/Style/ParlinoButton.h"
#include "Parlino/Style/Theme.h"

#include <QEvent>
#include <QFocusEvent>
#include <QHideEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QtMath>

namespace Parlino {

namespace {

constexpr double scrollSeconds = 0.2;
constexpr int followButtonMargin = 8;
// The focus ring stands this far inside the transcript's edges, rounded as the panel's buttons.
constexpr qreal focusRingInset = 2;
constexpr qreal focusRingRadius = 8;

ParlinoButtonStyle followButtonStyle() {
    return {.scale = 0.97,
            .pressedScale = 1,
            .brightness = 0.06,
            .pressedBrightness = 0,
            .backdrop = std::nullopt,
            .backdropCornerRadius = 8,
            .hover = true};
}

QFont smallControlFont() {
    QFont font;
    font.setPixelSize(11);
    return font;
}

} // namespace

HighlightedTextView::HighlightedTextView(PlayerViewModel& model, const SettingsKeys& settings,
                                         const MotionContext& motion, QWidget* parent)
    : QWidget(parent), m_model(model), m_settings(settings), m_motion(motion),
      m_stillPointer(motion.clock, motion.scheduler),
      m_scroll(new FadingScrollView(JumpToEndPolicy::never, m_stillPointer, motion, this)),
      m_canvas(new TranscriptCanvas(m_measurer, model.timingWords())),
      m_followButton(new ParlinoTextButton(tr("↓ current word"), smallControlFont(),
                                           Theme::white85(), followButtonStyle(), motion, this)),
      m_fontDesign(std::make_unique<Defaults::Default<QString>>(settings.panelFontDesign)),
      m_fontSize(std::make_unique<Defaults::Default<qint64>>(settings.panelFontSize)),
      m_case(std::make_unique<Defaults::Default<QString>>(settings.transcriptCase)),
      m_scrollOffset(motion.clock),
      m_scrollFrames(
          *this, motion.scheduler,
          [this] { scrollArea().verticalScrollBar()->setValue(qRound(m_scrollOffset.now())); },
          [this] { return !m_autoScrollSuspended && !m_scrollOffset.isSettled(); }) {
    setObjectName(QStringLiteral("HighlightedTextView"));
    scrollArea().setFocusPolicy(Qt::NoFocus);
    // The canvas sizes itself to its layout.
    scrollArea().setWidgetResizable(false);
    m_scroll->setContent(m_canvas);
    // The transcript lies on the panel's glass: the content (which the scroll area sets to
    // fill itself) paints no ground.
    m_canvas->setAutoFillBackground(false);
    scrollArea().viewport()->installEventFilter(this);
    m_canvas->installEventFilter(this);

    m_followButton->setObjectName(QStringLiteral("FollowCurrentWordButton"));
    // Named by what it does: a reader would speak the arrow as "down arrow".
    m_followButton->setAccessibleName(tr("Scroll to current word"));
    m_followButton->hide();
    setTabOrder(m_canvas, m_followButton);
    connect(m_followButton, &QAbstractButton::clicked, this, [this] {
        setAutoScrollSuspended(false);
        followCurrentWord();
    });

    // Only the user moves the bar through its actions; the program sets its value.
    QScrollBar* bar = scrollArea().verticalScrollBar();
    connect(bar, &QAbstractSlider::actionTriggered, this, [this] { setAutoScrollSuspended(true); });
    connect(bar, &QAbstractSlider::sliderPressed, this, [this] { setAutoScrollSuspended(true); });
    connect(bar, &QAbstractSlider::valueChanged, this, [this] { showVisibleBand(); });

    m_canvas->onWordTap = [this](qsizetype index) {
        if (m_model.onWordTap)
            m_model.onWordTap(index);
    };
    connect(&model, &PlayerViewModel::textChanged, this, [this] { reloadContent(); });
    connect(&model, &PlayerViewModel::timingWordsChanged, this, [this] { reloadContent(); });
    connect(&model, &PlayerViewModel::currentWordIndexChanged, this, [this] {
        m_canvas->setCurrentWordIndex(m_model.currentWordIndex());
        followCurrentWord();
    });
    for (const auto& setting : {m_fontDesign.get(), m_fontSize.get(), m_case.get()})
        connect(setting, &Defaults::Observable::changed, this, [this] { reloadContent(); });
    TranscriptAccessible::follow(model, *m_canvas);
    reloadContent();
}

HighlightedTextView::~HighlightedTextView() = default;

void HighlightedTextView::reloadContent() {
    const auto design = PanelFontChoices::fromRawValue(Defaults::get(m_settings.panelFontDesign));
    const auto caseChoice =
        TranscriptCaseChoices::fromRawValue(Defaults::get(m_settings.transcriptCase));
    const int size = int(std::clamp<qint64>(Defaults::get(m_settings.panelFontSize), 1, 200));
    m_canvas->setContent({m_model.text(), caseChoice.value_or(TranscriptCaseChoice::preserve),
                          PanelFontChoices::font(design.value_or(PanelFontChoice::sfPro), size)});
    layOutCanvas();
    m_canvas->setCurrentWordIndex(m_model.currentWordIndex());
}

void HighlightedTextView::layOutCanvas() {
    const QWidget* viewport = scrollArea().viewport();
    m_canvas->layOutAtWidth(viewport->width());
    if (!m_canvas->words().isEmpty())
        m_canvas->resize(viewport->width(),
                         qCeil(scrollableHeight(m_canvas->transcriptLayout(), viewport->height())));
    showVisibleBand();
}

QScrollArea& HighlightedTextView::scrollArea() {
    return m_scroll->scrollArea();
}

void HighlightedTextView::showVisibleBand() {
    m_canvas->setVisibleBand(scrollArea().verticalScrollBar()->value(),
                             scrollArea().viewport()->height());
}

void HighlightedTextView::followCurrentWord() {
    if (m_autoScrollSuspended)
        return;
    const auto word = m_model.currentWordIndex();
    const TranscriptLayout& layout = m_canvas->transcriptLayout();
    if (!word || !paragraphHoldingWord(layout, *word))
        return;
    const qreal target = followScrollOffset(layout, *word, scrollArea().viewport()->height());
    // Most words are in the paragraph already shown: nothing scrolls, and no frame is due.
    if (m_scrollOffset.isSettled() && qRound(target) == scrollArea().verticalScrollBar()->value())
        return;
    m_scrollOffset.jumpTo(scrollArea().verticalScrollBar()->value());
    m_scrollOffset.animateTo(target, Curve::easeInOut(scrollSeconds),
                             m_motion.preferences.reduceMotion());
    scrollArea().verticalScrollBar()->setValue(qRound(m_scrollOffset.now()));
    m_scrollFrames.start();
}

void HighlightedTextView::setAutoScrollSuspended(bool suspended) {
    m_autoScrollSuspended = suspended;
    m_followButton->setVisible(suspended);
    if (suspended)
        m_followButton->raise();
}

bool HighlightedTextView::eventFilter(QObject* watched, QEvent* event) {
    // The canvas scrolls: the ring of its focus is drawn here, around what shows of it. A click on
    // a word focuses it without a ring, though the keyboard moved the focus before.
    if (watched == m_canvas &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason)
            window()->setAttribute(Qt::WA_KeyboardFocusChange, false);
        update();
    }
    if (watched == scrollArea().viewport()) {
        if (event->type() == QEvent::Wheel && scrollArea().verticalScrollBar()->maximum() > 0)
            setAutoScrollSuspended(true);
        else if (event->type() == QEvent::Resize)
            layOutCanvas();
    }
    return QWidget::eventFilter(watched, event);
}

void HighlightedTextView::paintEvent(QPaintEvent*) {
    if (!FocusRing::isShown(*m_canvas))
        return;
    QPainter painter(this);
    FocusRing::paint(
        painter,
        QRectF(rect()).adjusted(focusRingInset, focusRingInset, -focusRingInset, -focusRingInset),
        focusRingRadius);
}

void HighlightedTextView::hideEvent(QHideEvent* event) {
    // Taken out of the panel (not just hidden with its window), the transcript follows the
    // current word again when it comes back.
    if (!event->spontaneous())
        setAutoScrollSuspended(false);
}

void HighlightedTextView::resizeEvent(QResizeEvent*) {
    m_scroll->setGeometry(rect());
    placeFollowButton();
}

void HighlightedTextView::placeFollowButton() {
    const QSize size = m_followButton->sizeHint();
    m_followButton->setGeometry(width() - size.width() - followButtonMargin,
                                height() - size.height() - followButtonMargin, size.width(),
                                size.height());
}

} // namespace Parlino
