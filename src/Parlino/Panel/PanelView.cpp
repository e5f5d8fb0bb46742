#include "Parlino/Panel/PanelView.h"

#include "Parlino/Panel/ControlBar.h"
#include "Parlino/Panel/EscPillButton.h"
#include "Parlino/Panel/HighlightedTextView.h"
#include "Parlino/Panel/PanelGeometryBox.h"
#include "Parlino/Panel/PanelSizing.h"
#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Style/HoverTracker.h"
#include "Parlino/Style/ParlinoSurfaceLayer.h"
#include "Parlino/Style/Theme.h"

#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QLabel>

#include <algorithm>

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

} // namespace

PanelView::PanelView(PlayerViewModel& model, PanelGeometryBox& geometry,
                     const SettingsKeys& settings, const MotionContext& motion, QWidget* parent)
    : QWidget(parent), m_model(model), m_geometry(geometry),
      m_reveal(motion, [](bool) { return Curve::spring(0.35, 1.0); }),
      m_sheet(new ParlinoSurfaceLayer(ParlinoSurface::panel, this)),
      m_escPill(new EscPillButton(motion, m_sheet)),
      m_noRecentAudio(new QLabel(tr("No recent audio"), m_sheet)),
      m_transcript(new HighlightedTextView(model, settings, motion, m_sheet)),
      m_controlBar(new ControlBar(model, settings, motion, m_sheet)),
      m_frames(
          motion.scheduler, [this] { layOutSheet(); }, [this] { return !m_reveal.isSettled(); }) {
    setObjectName(QStringLiteral("PanelView"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::StrongFocus);
    m_sheet->setObjectName(QStringLiteral("PanelSheet"));
    m_noRecentAudio->setObjectName(QStringLiteral("NoRecentAudio"));
    m_noRecentAudio->setAlignment(Qt::AlignCenter);
    m_noRecentAudio->setFont(placeholderFont());
    QPalette palette = m_noRecentAudio->palette();
    palette.setColor(QPalette::WindowText, Theme::white(0.55));
    m_noRecentAudio->setPalette(palette);

    auto* hover = new HoverTracker(*m_sheet);
    hover->onEntered = [this] {
        if (onHoverEntered)
            onHoverEntered();
    };
    hover->onExited = [this] {
        if (onHoverExited)
            onHoverExited();
    };
    connect(m_escPill, &QAbstractButton::clicked, this, [this] {
        if (m_model.onClose)
            m_model.onClose();
    });
    connect(&model, &PlayerViewModel::phaseChanged, this, [this] { showPhase(); });
    connect(&model, &PlayerViewModel::contentModeChanged, this, [this] { layOutSheet(); });
    const auto relayout = [this] {
        m_reveal.setRevealed(m_geometry.revealed());
        layOutSheet();
        m_frames.start();
    };
    for (const auto signal :
         {&PanelGeometryBox::revealedChanged, &PanelGeometryBox::topContentInsetChanged,
          &PanelGeometryBox::warningRowHeightChanged})
        connect(&geometry, signal, this, relayout);
    m_reveal.setRevealed(geometry.revealed());
    showPhase();
}

PanelView::~PanelView() = default;

qreal PanelView::sheetHeight() const {
    return PanelSizing::panelHeight({m_model.phase().kind(), m_model.contentMode(),
                                     m_geometry.topContentInset(), m_geometry.warningRowHeight(),
                                     m_geometry.cachedTextHeight(), m_geometry.screenHeight()});
}

QRectF PanelView::sheetRect() const {
    const qreal height = sheetHeight();
    return {sideMargin, m_reveal.offset(height + hiddenOvershoot),
            std::max<qreal>(0, width() - 2 * sideMargin), height};
}

void PanelView::showPhase() {
    const Kind phase = m_model.phase().kind();
    const bool card = PanelSizing::isCardPhase(phase);
    m_noRecentAudio->setVisible(!card && phase == Kind::hidden);
    m_transcript->setVisible(!card && phase != Kind::hidden);
    m_controlBar->setVisible(!card && phase != Kind::hidden);
    if (phase == Kind::recapturing) {
        auto* dim = new QGraphicsOpacityEffect(m_transcript);
        dim->setOpacity(recapturingOpacity);
        m_transcript->setGraphicsEffect(dim);
    } else if (m_transcript->graphicsEffect()) {
        m_transcript->setGraphicsEffect(nullptr);
    }
    layOutSheet();
}

void PanelView::layOutSheet() {
    const QRect sheet = sheetRect().toAlignedRect();
    m_sheet->setGeometry(sheet);
    // Under Reduce Motion the sheet fades in place instead of sliding.
    setSurfaceOpacity(*m_sheet, m_reveal.opacity());

    const qreal inset = m_geometry.topContentInset();
    const qreal padding = std::max<qreal>(4, (inset - headerButtonSide) / 2);
    const QSize pill = m_escPill->sizeHint();
    m_escPill->setGeometry(int(sheet.width() - headerPadding - pill.width()),
                           int(padding + (headerButtonSide - pill.height()) / 2), pill.width(),
                           pill.height());

    const int contentTop = int(inset + m_geometry.warningRowHeight());
    const QRect content(0, contentTop, sheet.width(), std::max(0, sheet.height() - contentTop));
    m_noRecentAudio->setGeometry(content);
    m_transcript->setGeometry(content.adjusted(0, 0, 0, -ControlBar::barHeight));
    m_controlBar->setGeometry(0, content.bottom() + 1 - ControlBar::barHeight, sheet.width(),
                              ControlBar::barHeight);
    m_escPill->raise();
}

void PanelView::keyPressEvent(QKeyEvent* event) {
    const auto call = [event](const std::function<void()>& action) {
        event->accept();
        if (!event->isAutoRepeat() && action)
            action();
    };
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier)
        call(m_model.onPlayPause);
    else if (event->key() == Qt::Key_Escape)
        call(m_model.onClose);
    else
        QWidget::keyPressEvent(event);
}

void PanelView::resizeEvent(QResizeEvent*) {
    layOutSheet();
}

} // namespace Parlino
