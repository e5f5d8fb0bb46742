#include "Parlino/Panel/PanelView.h"

#include "Parlino/Panel/ControlBar.h"
#include "Parlino/Panel/FailureRows.h"
#include "Parlino/Panel/HighlightedTextView.h"
#include "Parlino/Panel/LengthConfirmCard.h"
#include "Parlino/Panel/PanelGeometryBox.h"
#include "Parlino/Panel/PanelHeader.h"
#include "Parlino/Panel/PanelSizing.h"
#include "Parlino/Panel/TabChain.h"
#include "Parlino/Services/WarningModel.h"
#include "Parlino/Settings/DesktopSettings.h"
#include "Parlino/Style/ParlinoSurfaceLayer.h"
#include "Parlino/Style/Theme.h"

#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QLabel>

#include <algorithm>
#include <utility>

namespace Parlino {

namespace {

using Kind = PlayerViewModel::Phase::Kind;

constexpr double recapturingOpacity = 0.4;
// Off screen, the sheet waits this far above its own height.
constexpr qreal hiddenOvershoot = 8;

QFont placeholderFont() {
    QFont font;
    font.setPixelSize(13);
    return font;
}

// Takes a card or page out of the sheet at once and deletes it once control is back in the event
// loop, since the press that replaced it may still be running inside it. Meanwhile it waits as a
// hidden child of the view, so it goes with the view should that go first.
void discard(QPointer<QWidget>& widget, QWidget& view) {
    if (!widget)
        return;
    widget->hide();
    widget->setParent(&view);
    widget->deleteLater();
    widget = nullptr;
}

void call(const std::function<void()>& action) {
    if (action)
        action();
}

} // namespace

PanelView::PanelView(PlayerViewModel& model, PanelGeometryBox& geometry,
                     const SettingsKeys& settings, const MotionContext& motion,
                     const PanelViewServices& services, QWidget* parent)
    : QWidget(parent), m_model(model), m_geometry(geometry), m_settings(settings), m_motion(motion),
      m_services(services), m_reveal(motion, [](bool) { return Curve::spring(0.35, 1.0); }),
      m_sheet(new ParlinoSurfaceLayer(ParlinoSurface::panel, this)), m_sheetHover(*m_sheet),
      m_content(new QWidget(m_sheet)),
      m_header(
          new PanelHeader(model, services.warningModel, services.audioOutput, motion, m_sheet)),
      m_noRecentAudio(new QLabel(tr("No recent audio"), m_content)),
      m_transcript(new HighlightedTextView(model, settings, motion, m_content)),
      m_stallRow(new FailureRow(FailureRow::Kind::stallRow, motion, m_content)),
      m_saveFailureRow(new FailureRow(FailureRow::Kind::saveFailureRow, motion, m_content)),
      m_controlBar(new ControlBar(model, settings, motion, m_content)), m_shown(content()),
      m_transition(motion.clock, 1),
      m_frames(
          *this, motion.scheduler, [this] { layOutSheet(); },
          [this] { return !m_reveal.isSettled() || !m_transition.isSettled(); }) {
    setObjectName(QStringLiteral("PanelView"));
    setAttribute(Qt::WA_TranslucentBackground);
    m_sheet->setObjectName(QStringLiteral("PanelSheet"));
    m_content->setObjectName(QStringLiteral("PanelContent"));
    m_noRecentAudio->setObjectName(QStringLiteral("NoRecentAudio"));
    m_noRecentAudio->setAlignment(Qt::AlignCenter);
    m_noRecentAudio->setFont(placeholderFont());
    QPalette palette = m_noRecentAudio->palette();
    palette.setColor(QPalette::WindowText, Theme::white(0.55));
    m_noRecentAudio->setPalette(palette);

    m_sheetHover.onEntered = [this] { call(onHoverEntered); };
    m_sheetHover.onExited = [this] { call(onHoverExited); };
    m_header->onWarningTapped = [this] { call(onWarningTapped); };
    m_stallRow->onAction = [this] {
        const auto& error = m_model.phase().ttsError();
        if (!error)
            return;
        const bool revert =
            PanelMessages::stallRow(*error).action == PanelMessages::StallAction::revert;
        call(revert ? m_model.onRevert : m_model.onRetry);
    };

    connect(&model, &PlayerViewModel::phaseChanged, this, [this] { showContent(); });
    connect(&model, &PlayerViewModel::contentModeChanged, this, [this] { showContent(); });
    connect(&model, &PlayerViewModel::saveFailureChanged, this, [this] {
        showContent();
        m_frames.start();
    });
    const auto relayout = [this] {
        m_reveal.setRevealed(m_geometry.revealed());
        showContent();
        m_frames.start();
    };
    for (const auto signal :
         {&PanelGeometryBox::revealedChanged, &PanelGeometryBox::topContentInsetChanged,
          &PanelGeometryBox::warningRowHeightChanged, &PanelGeometryBox::cachedTextHeightChanged,
          &PanelGeometryBox::screenHeightChanged})
        connect(&geometry, signal, this, relayout);
    if (services.warningModel)
        connect(services.warningModel, &WarningModel::currentChanged, this,
                [this] { layOutSheet(); });
    m_reveal.setRevealed(geometry.revealed());
    showContent();
}

PanelView::~PanelView() = default;

qreal PanelView::targetSheetHeight() const {
    return PanelSizing::panelHeight({m_model.phase().kind(), m_model.contentMode(),
                                     m_geometry.topContentInset(), m_geometry.warningRowHeight(),
                                     m_geometry.cachedTextHeight(), m_geometry.screenHeight(),
                                     m_model.saveFailure().has_value()});
}

qreal PanelView::sheetHeight() const {
    const qreal target = targetSheetHeight();
    return std::max<qreal>(0, m_heightBefore + (target - m_heightBefore) * m_transition.now());
}

qreal PanelView::contentTop() const {
    return PanelSizing::headerBand(m_geometry.topContentInset()) + m_geometry.warningRowHeight();
}

QRectF PanelView::sheetRect() const {
    const qreal height = sheetHeight();
    return {sideMargin, m_reveal.offset(height + hiddenOvershoot),
            std::max<qreal>(0, width() - 2 * sideMargin), height};
}

PanelView::Content PanelView::content() const {
    return {PanelSizing::isCardPhase(m_model.phase().kind()), m_model.contentMode()};
}

void PanelView::showContent() {
    const Content now = content();
    if (now != m_shown) {
        // A change between a card and the read springs; a change of page eases.
        const Curve curve =
            now.card != m_shown.card ? Curve::spring(0.3, 0.9) : Curve::easeInOut(pageSeconds);
        m_shown = now;
        m_heightBefore = m_laidOutHeight;
        m_transition.jumpTo(0);
        m_transition.animateTo(1, curve, m_motion.preferences.reduceMotion());
        m_frames.start();
    }
    showPhase();
    showCard();
    showPage();
    layOutSheet();
}

void PanelView::showPhase() {
    const PlayerViewModel::Phase& phase = m_model.phase();
    const bool reading = !m_shown.card && m_shown.mode == PanelContentMode::reading;
    const bool hidden = phase.kind() == Kind::hidden;
    m_noRecentAudio->setVisible(reading && hidden);
    m_transcript->setVisible(reading && !hidden);
    m_controlBar->setVisible(reading && !hidden);
    m_stallRow->setVisible(reading && phase.ttsError().has_value());
    if (phase.ttsError())
        m_stallRow->showStall(phase);
    // A stalled read says why it stalled; one that plays on says why it will not be kept.
    const auto& saveFailure = m_model.saveFailure();
    m_saveFailureRow->setVisible(reading && !hidden && !phase.ttsError() && saveFailure);
    if (saveFailure)
        m_saveFailureRow->showSaveFailure(*saveFailure);
    if (phase.kind() == Kind::recapturing) {
        auto* dim = new QGraphicsOpacityEffect(m_transcript);
        dim->setOpacity(recapturingOpacity);
        m_transcript->setGraphicsEffect(dim);
    } else if (m_transcript->graphicsEffect()) {
        m_transcript->setGraphicsEffect(nullptr);
    }
}

void PanelView::showCard() {
    const PlayerViewModel::Phase& phase = m_model.phase();
    if (!m_shown.card) {
        discard(m_card, *this);
        m_cardPhase.reset();
        return;
    }
    if (m_card && m_cardPhase == phase)
        return;
    discard(m_card, *this);
    m_cardPhase = phase;
    if (phase.kind() == Kind::confirmingLength) {
        auto* card = new LengthConfirmCard(phase.chars(), m_settings, m_motion, m_content);
        card->onChoice = [this](PlayerViewModel::LengthChoice choice) {
            if (m_model.onConfirmLength)
                m_model.onConfirmLength(choice);
        };
        m_card = card;
    } else {
        auto* card = new FailureRow(FailureRow::Kind::captureCard, m_motion, m_content);
        card->showCapture(*phase.captureError());
        card->onAction = [this] {
            if (m_services.desktopSettings)
                m_services.desktopSettings->openAccessibilitySettings();
        };
        m_card = card;
    }
    m_card->show();
}

void PanelView::showPage() {
    if (m_shown.card || m_shown.mode == PanelContentMode::reading) {
        discard(m_page, *this);
        m_pageShown.reset();
        return;
    }
    // A page keeps the band and the warning row free; when they change, it is made afresh.
    const std::pair wanted{m_shown.mode, contentTop()};
    if (m_page && m_pageShown == wanted)
        return;
    discard(m_page, *this);
    m_pageShown = wanted;
    if (!m_services.makePage)
        return;
    m_page = m_services.makePage(wanted.first, wanted.second);
    if (!m_page)
        return;
    m_page->setParent(m_content);
    m_page->show();
}

void PanelView::layOutSheet() {
    const QRectF exact = sheetRect();
    m_laidOutHeight = exact.height();
    const QRect sheet = exact.toAlignedRect();
    m_sheet->setGeometry(sheet);
    // Under Reduce Motion the sheet fades in place instead of sliding.
    setSurfaceOpacity(*m_sheet, m_reveal.opacity());
    setSurfaceOpacity(*m_content, std::clamp(m_transition.now(), 0.0, 1.0));

    const qreal inset = m_geometry.topContentInset();
    m_header->setTopContentInset(inset);
    const qreal warningRow =
        m_header->showsWarningRow() ? PanelHeader::spacing + PanelHeader::buttonSide : 0;
    m_header->setGeometry(0, 0, sheet.width(), int(PanelSizing::headerBand(inset) + warningRow));
    m_content->setGeometry(0, 0, sheet.width(), sheet.height());
    layOutContent(sheet);
    m_header->raise();
}

void PanelView::layOutContent(const QRect& sheet) {
    const int width = sheet.width();
    if (m_card) {
        const int top = int(PanelSizing::headerBand(m_geometry.topContentInset()));
        m_card->setGeometry(0, top, width, std::max(0, sheet.height() - top));
    }
    if (m_page)
        m_page->setGeometry(0, 0, width, sheet.height());

    const int top = int(contentTop());
    const QRect content(0, top, width, std::max(0, sheet.height() - top));
    m_noRecentAudio->setGeometry(content);
    const int barTop = content.bottom() + 1 - ControlBar::barHeight;
    m_controlBar->setGeometry(0, barTop, width, ControlBar::barHeight);
    int stall = 0;
    for (FailureRow* row : {m_stallRow, m_saveFailureRow}) {
        const int height = row->isHidden() ? 0 : FailureRow::stallRowHeight;
        row->setGeometry(0, barTop - height, width, height);
        stall = std::max(stall, height);
    }
    m_transcript->setGeometry(content.adjusted(0, 0, 0, -ControlBar::barHeight - stall));
}

void PanelView::focusOnOpen(PanelFocusTarget target) {
    m_openFocus = target;
    if (isActiveWindow())
        takeKeyboard();
}

QWidget& PanelView::focusTarget(PanelFocusTarget target) const {
    QWidget& playPause = m_controlBar->playPauseButton();
    if (target == PanelFocusTarget::playPause && playPause.isVisibleTo(this))
        return playPause;
    if (target == PanelFocusTarget::lastControl)
        if (QWidget* last = TabChain::end(*window(), TabDirection::backward))
            return *last;
    return m_header->firstButton();
}

void PanelView::takeKeyboard() {
    if (const auto target = std::exchange(m_openFocus, std::nullopt)) {
        QWidget& control = focusTarget(*target);
        // Sent there from the keyboard (or the tray, for it), the focus shows its ring, also on a
        // control that had the focus already.
        control.setFocus(Qt::ShortcutFocusReason);
        window()->setAttribute(Qt::WA_KeyboardFocusChange);
        control.update();
        return;
    }
    // A click brought the window forward: the transcript, where a screen reader reads on from the
    // spoken word (its caret), or else the header's first button, without a ring.
    QWidget& canvas = m_transcript->canvas();
    window()->setAttribute(Qt::WA_KeyboardFocusChange, false);
    (canvas.isVisibleTo(this) ? canvas : m_header->firstButton())
        .setFocus(Qt::ActiveWindowFocusReason);
}

bool PanelView::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        takeKeyboard();
    return QWidget::event(event);
}

void PanelView::hideEvent(QHideEvent* event) {
    // An open whose window never became key asks for nothing when the panel comes back.
    m_openFocus.reset();
    QWidget::hideEvent(event);
}

void PanelView::keyPressEvent(QKeyEvent* event) {
    const auto act = [event](const std::function<void()>& action) {
        event->accept();
        if (!event->isAutoRepeat())
            call(action);
    };
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier)
        act(m_model.onPlayPause);
    else if (event->key() == Qt::Key_Escape)
        act(m_model.onClose);
    else
        QWidget::keyPressEvent(event);
}

void PanelView::resizeEvent(QResizeEvent*) {
    layOutSheet();
}

} // namespace Parlino
