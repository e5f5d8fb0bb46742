#pragma once

#include "Parlino/Panel/CurrentScreen.h"
#include "Parlino/Panel/PanelSizing.h"
#include "Parlino/Panel/PanelSurfaces.h"
#include "Parlino/Panel/TextHeight.h"

#include <QObject>
#include <QRectF>
#include <QSizeF>

#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace Defaults {
class Observable;
}

namespace Parlino {

// Places the surfaces' windows on the current screen (the one under the pointer when the
// surfaces were last refreshed) and keeps the reading panel's window in step with its content:
// the sheet's size follows the phase, the page, the warning row and the transcript's measured
// height. Without a screen nothing is placed and the windows keep their frames. Main thread only.
class SurfacePlacement {
public:
    // `sheetInputChanged` runs when something the sheet's size follows changes apart from the
    // phase and the page: the transcript, its font or case, the warning, or the screens.
    SurfacePlacement(const PanelSurfaces& surfaces, std::function<void()> sheetInputChanged);
    ~SurfacePlacement();

    // Chooses the screen under the pointer and forgets the sheet size applied last.
    void refreshCurrentScreen();
    // The current screen's values; none without a screen.
    std::optional<ScreenScalars> screen() { return m_currentScreen.scalars(); }
    // The current screen's values read afresh.
    std::optional<ScreenScalars> freshScreen();

    // Once, before the panel first shows: gives its window its frame without redisplay.
    void seedPanelFrame();
    // Frame the window, order it front and give its view its values; false without a screen.
    bool placeBubble();
    void placeIdleBar();
    // Sizes the panel for its content on `screen` and orders it front.
    void placePanel(const ScreenScalars& screen);
    // While the panel is down: re-sizes it when its content's size changed, else only re-frames
    // a window that has moved. In the steady state it compares a frame and sets nothing.
    void relayoutPanelIfNeeded();

    // Where the panel's sheet shows on the screen now.
    QRectF visiblePanelRect(const ScreenScalars& screen);
    // Near the panel: its visible sheet (or, without a screen, its window) and 38 pt around it.
    QRectF nearPanelRect();

private:
    PanelSizing::SheetInputs sheetInputs(const ScreenScalars& screen);
    qreal warningRowHeight() const;
    qreal textHeight();
    void applyPanelFrame(const ScreenScalars& screen);

    const PanelSurfaces& m_surfaces;
    CurrentScreen m_currentScreen;
    TextHeightCache m_textHeights;
    std::optional<QSizeF> m_lastAppliedSheetSize;
    bool m_didSeedPanelFrame = false;
    // Receives the inputs' change signals while the placement lives.
    QObject m_inputWatch;
    std::array<std::unique_ptr<Defaults::Observable>, 3> m_fontSettings;
};

} // namespace Parlino
