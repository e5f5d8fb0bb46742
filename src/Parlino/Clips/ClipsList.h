#pragma once

#include "Base/OneAtATime.h"
#include "Parlino/Clips/ClipsListLayout.h"
#include "Parlino/Clips/ClipsViewEnvironment.h"
#include "Parlino/Storage/ClipSummary.h"
#include "Parlino/Style/AnimatedValue.h"
#include "Parlino/Style/FrameDriver.h"

#include <QHash>
#include <QPixmap>
#include <QWidget>

#include <functional>
#include <optional>

namespace Parlino {

class ArmedActionButton;
class ArmedIconButton;
class ClipPlayButton;
class ClipTextColumn;
class ClipsViewModel;

// One clip's row: its text column, then its play and delete buttons at the top right.
class ClipRow final : public QWidget {
public:
    ClipRow(const ClipSummary& clip, const ClipRowMetrics& metrics,
            const ClipsViewEnvironment& environment, QWidget* parent);

    const ClipSummary& clip() const { return m_clip; }
    // Its clip's place in the list it was last laid out in.
    qsizetype index() const { return m_index; }
    void setIndex(qsizetype index) { m_index = index; }
    ClipTextColumn& textColumn() const { return *m_text; }
    ClipPlayButton& playButton() const { return *m_play; }
    ArmedIconButton& deleteButton() const { return *m_delete; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    ClipSummary m_clip;
    qsizetype m_index = 0;
    ClipRowMetrics m_metrics;
    ClipTextColumn* m_text;
    ClipPlayButton* m_play;
    ArmedIconButton* m_delete;
};

// The scrolled content of a clips list: a row and a divider for each clip, then "Clear all".
// It is as tall as the whole list but makes rows only for the clips in its visible area, the
// first and the last, and the row that holds the focus with its neighbours wherever it lies, so
// a list of thousands costs no more than a screenful and Tab always reaches the next clip. A row
// whose clip goes hands its focus to the same control of the row that takes its place, or of the
// row above it at the end of the list; the last row and "Clear all" leave it to the rest around
// the list (FocusRest). Rows that a reload removes fade out and shrink towards their top while the
// rest close up, unless Reduce Motion is on.
class ClipsList final : public QWidget {
public:
    static constexpr double removalSeconds = 0.35;
    static constexpr qreal removedScale = 0.92;
    // Rows are made this far beyond the visible area, so a slow scroll rarely waits for one.
    static constexpr qreal overscan = 120;

    ClipsList(ClipsViewModel& viewModel, const ClipsViewEnvironment& environment,
              QWidget* parent = nullptr);

    // The part of the list the scroll view shows, in the list's coordinates.
    void setVisibleArea(qreal top, qreal height);

    const ClipsListGeometry& layout() const { return m_layout; }
    // The rows made now, top to bottom.
    QList<ClipRow*> rows() const;
    ClipRow* row(const ClipID& id) const { return m_rows.value(id); }
    ArmedActionButton& clearAllButton() const { return *m_clearAll; }

    // Removed rows are still fading out.
    bool isTransitioning() const { return !m_ghosts.isEmpty(); }
    std::function<void()> onTransitionEnd;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Ghost {
        QPixmap image;
        QRectF rect;
    };

    void clipsDidChange();
    void handOnFocusOfRemovedRow();
    void relayout();
    void showRows();
    void layOutRows();
    // The indices of the clips to make rows for, in order.
    QList<qsizetype> rowsToMake() const;
    ClipRow* makeRow(const ClipSummary& clip);
    void orderTabStops(const QList<ClipRow*>& rows);
    void showRow(ClipRow& row, qsizetype index);
    // The made row that holds the window's focus, if one does.
    ClipRow* focusedRow() const;
    std::optional<qsizetype> indexOf(const ClipID& id) const;
    void placeRow(ClipRow& row, qsizetype index);
    void bindRow(ClipRow& row) const;
    void placeClearAll();
    QPixmap snapshot(ClipRow& row) const;
    void animationFrame();
    double slideRemaining() const;

    ClipsViewModel& m_viewModel;
    ClipsViewEnvironment m_environment;
    ClipRowMetrics m_metrics;
    ClipsListGeometry m_layout;
    qreal m_visibleTop = 0;
    qreal m_visibleHeight = 0;
    QHash<ClipID, ClipRow*> m_rows;
    Base::OneAtATime m_layingOut;
    ArmedActionButton* m_clearAll;

    QList<Ghost> m_ghosts;
    QHash<ClipID, qreal> m_slides; // how far above or below its place a row starts
    qreal m_clearAllSlide = 0;
    AnimatedValue m_removal;
    FrameDriver m_frames;
};

} // namespace Parlino
