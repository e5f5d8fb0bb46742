#include "Parlino/Panel/SurfacePlacement.h"

#include "Defaults/Default.h"
#include "Defaults/Key.h"
#include "Parlino/Panel/NotchPlacement.h"
#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Services/WarningModel.h"

namespace Parlino {

namespace {

constexpr qreal pointerMargin = 38;

bool sizesEqual(const std::optional<QSizeF>& a, QSizeF b) {
    return a && a->width() == b.width() && a->height() == b.height();
}

} // namespace

SurfacePlacement::SurfacePlacement(const PanelSurfaces& surfaces,
                                   std::function<void()> sheetInputChanged)
    : m_surfaces(surfaces), m_currentScreen(surfaces.env.screens),
      m_textHeights(surfaces.env.textMeasurer, PanelSizing::fillingTextHeight),
      m_fontSettings{
          std::make_unique<Defaults::Default<qint64>>(surfaces.env.keys.panelFontSize),
          std::make_unique<Defaults::Default<QString>>(surfaces.env.keys.panelFontDesign),
          std::make_unique<Defaults::Default<QString>>(surfaces.env.keys.transcriptCase)} {
    const std::function<void()>& changed = sheetInputChanged;
    QObject::connect(&surfaces.viewModel, &PlayerViewModel::textEpochChanged, &m_inputWatch,
                     changed);
    QObject::connect(&surfaces.warningModel, &WarningModel::currentChanged, &m_inputWatch, changed);
    QObject::connect(&surfaces.env.screens, &ScreenProvider::screenParametersChanged, &m_inputWatch,
                     changed);
    for (const auto& setting : m_fontSettings)
        QObject::connect(setting.get(), &Defaults::Observable::changed, &m_inputWatch, changed);
}

SurfacePlacement::~SurfacePlacement() = default;

void SurfacePlacement::refreshCurrentScreen() {
    m_currentScreen.refresh();
    m_lastAppliedSheetSize.reset();
}

std::optional<ScreenScalars> SurfacePlacement::freshScreen() {
    m_currentScreen.forgetScalars();
    return m_currentScreen.scalars();
}

void SurfacePlacement::seedPanelFrame() {
    if (m_didSeedPanelFrame)
        return;
    if (const auto screen = m_currentScreen.scalars()) {
        m_didSeedPanelFrame = true;
        m_surfaces.panel.setFrame(NotchPlacement::panelWindowFrame(*screen), false);
    }
}

bool SurfacePlacement::placeBubble() {
    const auto screen = m_currentScreen.scalars();
    if (!screen)
        return false;
    const auto placed = NotchPlacement::presentBubbleWindow(m_surfaces.bubble, *screen);
    BubbleGeometryBox& geometry = m_surfaces.bubbleGeometry;
    geometry.setPillHeight(placed.pillHeight);
    geometry.setVisibleHeight(placed.visibleHeight);
    geometry.setHorizontalBleed(placed.horizontalBleed);
    return true;
}

void SurfacePlacement::placeIdleBar() {
    const auto screen = m_currentScreen.scalars();
    if (!screen)
        return;
    IdleBarGeometryBox& geometry = m_surfaces.idleBarGeometry;
    geometry.setPresentationID(geometry.presentationID() + 1);
    const auto placed = NotchPlacement::presentIdleBarWindow(m_surfaces.idleBar, *screen);
    geometry.setPillHeight(placed.pillHeight);
    geometry.setSlideDistance(placed.visibleHeight);
    geometry.setHorizontalBleed(placed.horizontalBleed);
}

void SurfacePlacement::placePanel(const ScreenScalars& screen) {
    m_lastAppliedSheetSize = PanelSizing::panelSheetSize(sheetInputs(screen));
    applyPanelFrame(screen);
    m_surfaces.panel.orderFront();
}

PanelSizing::SheetInputs SurfacePlacement::sheetInputs(const ScreenScalars& screen) {
    const PlayerViewModel& viewModel = m_surfaces.viewModel;
    PanelSizing::SheetInputs inputs;
    inputs.phase = viewModel.phase().kind();
    inputs.contentMode = viewModel.contentMode();
    inputs.topContentInset = NotchPlacement::topInset(screen);
    inputs.warningRowHeight = warningRowHeight();
    inputs.screenHeight = screen.frame.height();
    inputs.showsSaveFailure = viewModel.saveFailure().has_value();
    if (!PanelSizing::isCardPhase(inputs.phase) && inputs.contentMode == PanelContentMode::reading)
        inputs.textHeight = textHeight();
    return inputs;
}

qreal SurfacePlacement::warningRowHeight() const {
    return PanelSizing::warningRowHeight(m_surfaces.warningModel.current().kind() !=
                                             ActiveWarning::Kind::none,
                                         m_surfaces.viewModel.phase().kind());
}

qreal SurfacePlacement::textHeight() {
    const SettingsKeys& keys = m_surfaces.env.keys;
    const PlayerViewModel& viewModel = m_surfaces.viewModel;
    const TextMeasurementKey key{
        viewModel.textEpoch(), qreal(Defaults::get(keys.panelFontSize)),
        PanelFontChoices::fromRawValue(Defaults::get(keys.panelFontDesign))
            .value_or(PanelFontChoice::sfPro),
        TranscriptCaseChoices::fromRawValue(Defaults::get(keys.transcriptCase))
            .value_or(TranscriptCaseChoice::preserve),
        PanelSizing::transcriptWidth};
    const qreal height = m_textHeights.height(key, viewModel.text());
    m_surfaces.panelGeometry.setCachedTextHeight(height);
    return height;
}

void SurfacePlacement::applyPanelFrame(const ScreenScalars& screen) {
    PanelGeometryBox& geometry = m_surfaces.panelGeometry;
    geometry.setTopContentInset(NotchPlacement::topInset(screen));
    geometry.setWarningRowHeight(warningRowHeight());
    geometry.setScreenHeight(screen.frame.height());
    NotchPlacement::applyPanelFrame(m_surfaces.panel, screen);
}

void SurfacePlacement::relayoutPanelIfNeeded() {
    if (!m_surfaces.panelIsDown())
        return;
    const auto screen = m_currentScreen.scalars();
    if (!screen)
        return;
    const QSizeF size = PanelSizing::panelSheetSize(sheetInputs(*screen));
    if (sizesEqual(m_lastAppliedSheetSize, size)) {
        if (!NotchPlacement::framesNearlyEqual(m_surfaces.panel.frame(),
                                               NotchPlacement::panelWindowFrame(*screen)))
            applyPanelFrame(*screen);
        return;
    }
    m_lastAppliedSheetSize = size;
    applyPanelFrame(*screen);
}

QRectF SurfacePlacement::visiblePanelRect(const ScreenScalars& screen) {
    return NotchPlacement::visiblePanelRect(screen, PanelSizing::panelHeight(sheetInputs(screen)),
                                            m_surfaces.panel.frame());
}

QRectF SurfacePlacement::nearPanelRect() {
    const auto screen = m_currentScreen.scalars();
    const QRectF near = screen ? visiblePanelRect(*screen) : m_surfaces.panel.frame();
    return near.adjusted(-pointerMargin, -pointerMargin, pointerMargin, pointerMargin);
}

} // namespace Parlino
