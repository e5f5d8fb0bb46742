#pragma once

#include "Parlino/Panel/PanelFocusTarget.h"
#include "Parlino/Panel/SurfaceReveal.h"
#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Style/AnimatedValue.h"
#include "Parlino/Style/FrameDriver.h"
#include "Parlino/Style/HoverTracker.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;

namespace Parlino {

class AudioOutput;
class ControlBar;
class DesktopSettings;
class FailureRow;
class HighlightedTextView;
class PanelGeometryBox;
class PanelHeader;
class ParlinoSurfaceLayer;
class WarningModel;
struct SettingsKeys;

// What the reading panel uses besides the read: the warning model (the header's warning row),
// the audio output (the mute button), the maker of its settings, clips and voices pages, and
// the desktop's settings ("Open Settings" of a refused permission). Each part left unset
// leaves its control out or makes it do nothing.
struct PanelViewServices {
    WarningModel* warningModel = nullptr;
    AudioOutput* audioOutput = nullptr;
    // A new page for a content mode other than reading, keeping `topContentInset` free at its
    // top; PanelPages makes the real ones.
    std::function<QWidget*(PanelContentMode page, qreal topContentInset)> makePage;
    DesktopSettings* desktopSettings = nullptr;
};

// The reading panel: a sheet hanging from the top edge with the header row in its top band and,
// below the band, the page the model's content mode names: the transcript over the stall row
// and the control bar ("No recent audio" while no read is shown), or the settings, clips or
// voices page. The long-text and capture-failure phases shrink it to a card. It keeps no state
// of its own beyond its children's: it shows the models and the geometry box and turns input
// into the models' actions. With the keyboard focus in it, Space plays or pauses (unless a
// focused button takes it as its press) and Escape closes, once per press; the panel's window
// never sees an Escape the view took. Each time its window becomes key, the keyboard goes to the
// control an open asked for (focusOnOpen), else to the transcript while it shows, else to the
// header's first button; Tab goes on along the header, then through what the sheet shows.
class PanelView final : public QWidget {
public:
    static constexpr qreal sideMargin = 8;
    static constexpr double pageSeconds = 0.2;

    PanelView(PlayerViewModel& model, PanelGeometryBox& geometry, const SettingsKeys& settings,
              const MotionContext& motion, const PanelViewServices& services = {},
              QWidget* parent = nullptr);
    ~PanelView() override;

    std::function<void()> onHoverEntered;
    std::function<void()> onHoverExited;
    std::function<void()> onWarningTapped;

    // The sheet's rectangle in the view, where it stands now, hanging from the top edge. It is
    // as tall as the panel's sizing rule says, except while a change between a card and the read
    // or between pages carries it from its former height, the way the content fades over.
    QRectF sheetRect() const;
    // The card, the embedded page or nothing, whichever shows now.
    QWidget* card() const { return m_card; }
    QWidget* page() const { return m_page; }

    // The user asked for the panel: the keyboard goes to `target` with its focus ring once the
    // window becomes key, or at once while it is. A target that no longer shows by then gives way
    // to the header's first button.
    void focusOnOpen(PanelFocusTarget target);

protected:
    bool event(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // What fills the sheet under the header: a card, a page, or the reading content.
    struct Content {
        bool card = false;
        PanelContentMode mode = PanelContentMode::reading;
        bool operator==(const Content&) const = default;
    };

    Content content() const;
    void showPhase();
    void showContent();
    void showCard();
    void showPage();
    void layOutSheet();
    void layOutContent(const QRect& sheet);
    qreal targetSheetHeight() const;
    qreal sheetHeight() const;
    qreal contentTop() const;
    void takeKeyboard();
    QWidget& focusTarget(PanelFocusTarget target) const;

    PlayerViewModel& m_model;
    PanelGeometryBox& m_geometry;
    const SettingsKeys& m_settings;
    MotionContext m_motion;
    PanelViewServices m_services;
    SurfaceReveal m_reveal;
    ParlinoSurfaceLayer* m_sheet;
    HoverTracker m_sheetHover;
    QWidget* m_content;
    PanelHeader* m_header;
    QLabel* m_noRecentAudio;
    HighlightedTextView* m_transcript;
    FailureRow* m_stallRow;
    FailureRow* m_saveFailureRow;
    ControlBar* m_controlBar;
    QPointer<QWidget> m_card;
    std::optional<PlayerViewModel::Phase> m_cardPhase;
    QPointer<QWidget> m_page;
    std::optional<std::pair<PanelContentMode, qreal>> m_pageShown;
    Content m_shown;
    std::optional<PanelFocusTarget> m_openFocus;
    // How far the latest change of content has come (1 when done): the new content fades in and
    // the sheet's height moves from `m_heightBefore` to the sizing rule's.
    AnimatedValue m_transition;
    qreal m_heightBefore = 0;
    qreal m_laidOutHeight = 0;
    FrameDriver m_frames;
};

} // namespace Parlino
