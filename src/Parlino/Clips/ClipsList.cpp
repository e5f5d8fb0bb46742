#include "Parlino/Clips/ClipsList.h"

#include "Parlino/Clips/ClipControls.h"
#include "Parlino/Clips/ClipDateLabel.h"
#include "Parlino/Clips/ClipsViewModel.h"
#include "Parlino/Style/ArmedButton.h"
#include "Parlino/Style/ControlPainting.h"
#include "Parlino/Style/DurationText.h"
#include "Parlino/Style/Theme.h"
#include "Parlino/Style/WidgetSnapshot.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

namespace Parlino {

namespace {

constexpr qreal clearAllPadding = 10;

int pixel(qreal y) {
    return qRound(y);
}

} // namespace

ClipRow::ClipRow(const ClipSummary& clip, const ClipRowMetrics& metrics,
                 const ClipsViewEnvironment& environment, QWidget* parent)
    : QWidget(parent), m_clip(clip), m_metrics(metrics),
      m_text(new ClipTextColumn(metrics, environment.motion, this)),
      m_play(new ClipPlayButton(environment.motion, this)),
      m_delete(new ArmedIconButton(QStringLiteral("trash"), ClipRowMetrics::buttonSide,
                                   Theme::white60(), 12, environment.motion, this)) {
    setObjectName(QStringLiteral("ClipRow"));
    nameByNextPress(*m_delete, m_delete->arming(), QStringLiteral("Delete"),
                    QStringLiteral("Press again to delete"));
    m_delete->setFixedSize(m_delete->sizeHint());
}

void ClipRow::resizeEvent(QResizeEvent*) {
    const qreal top = ClipRowMetrics::verticalPadding;
    const qreal side = ClipRowMetrics::buttonSide;
    const qreal deleteX = width() - ClipRowMetrics::horizontalPadding - side;
    const qreal playX = deleteX - ClipRowMetrics::spacing - side;
    m_text->setGeometry(QRectF(ClipRowMetrics::horizontalPadding, top,
                               m_metrics.textColumnWidth(width()), height() - 2 * top)
                            .toRect());
    m_play->move(QPointF(playX, top).toPoint());
    m_delete->move(QPointF(deleteX, top).toPoint());
}

ClipsList::ClipsList(ClipsViewModel& viewModel, const ClipsViewEnvironment& environment,
                     QWidget* parent)
    : QWidget(parent), m_viewModel(viewModel), m_environment(environment),
      m_metrics(ClipRowMetrics::standard()),
      m_clearAll(new ArmedActionButton(QStringLiteral("Clear all"), ClipsFonts::clearAll(),
                                       Theme::red85(), environment.motion, this)),
      m_removal(environment.motion.clock, 1),
      m_frames(
          *this, environment.motion.scheduler, [this] { animationFrame(); },
          [this] { return !m_removal.isSettled(); }) {
    setObjectName(QStringLiteral("ClipsList"));
    setAttribute(Qt::WA_TranslucentBackground);

    ParlinoButtonStyle clearAllStyle = ParlinoButtonStyle::standard(false);
    clearAllStyle.hover = true;
    m_clearAll->setObjectName(QStringLiteral("ClearAllButton"));
    nameByNextPress(*m_clearAll, m_clearAll->arming(), m_clearAll->text(),
                    QStringLiteral("Press again to clear all"));
    m_clearAll->setButtonStyle(clearAllStyle);
    const QSizeF label =
        QFontMetricsF(ClipsFonts::clearAll()).size(Qt::TextSingleLine, m_clearAll->text());
    m_clearAll->setFixedSize(QSizeF(label.width() + 24, label.height() + 10).toSize());
    m_clearAll->action = [this] { m_viewModel.clearAll(); };

    connect(&viewModel, &ClipsViewModel::clipsChanged, this, [this] { clipsDidChange(); });
    connect(&viewModel, &ClipsViewModel::expandedClipIDChanged, this, [this] { relayout(); });
    connect(&viewModel, &ClipsViewModel::fullTextCacheChanged, this, [this] { relayout(); });
    connect(&viewModel, &ClipsViewModel::unplayableClipIDsChanged, this, [this] {
        for (ClipRow* row : std::as_const(m_rows))
            bindRow(*row);
    });
    connect(&viewModel, &ClipsViewModel::playingClipIDChanged, this, [this] {
        for (ClipRow* row : std::as_const(m_rows))
            row->playButton().setPlaying(m_viewModel.playingClipID() == row->clip().id);
    });
    relayout();
}

void ClipsList::setVisibleArea(qreal top, qreal height) {
    if (top == m_visibleTop && height == m_visibleHeight)
        return;
    m_visibleTop = top;
    m_visibleHeight = height;
    showRows();
}

QList<ClipRow*> ClipsList::rows() const {
    QList<ClipRow*> rows(m_rows.cbegin(), m_rows.cend());
    std::sort(rows.begin(), rows.end(), [](ClipRow* a, ClipRow* b) { return a->y() < b->y(); });
    return rows;
}

void ClipsList::resizeEvent(QResizeEvent* event) {
    if (event->size().width() != event->oldSize().width())
        relayout();
}

void ClipsList::clipsDidChange() {
    handOnFocusOfRemovedRow();
    const bool animated =
        m_viewModel.animatesChanges() && !m_environment.motion.preferences.reduceMotion();
    if (animated)
        m_ghosts.clear();
    m_slides.clear();
    m_clearAllSlide = 0;
    // The rows of the clips that went are retired by the layout; only their look is kept here.
    QHash<ClipID, qreal> oldTops;
    for (ClipRow* row : std::as_const(m_rows)) {
        if (indexOf(row->clip().id))
            oldTops.insert(row->clip().id, row->y());
        else if (animated)
            m_ghosts.append({snapshot(*row), QRectF(row->geometry())});
    }
    const qreal oldClearAllTop = m_clearAll->y();
    relayout();
    if (!animated)
        return;
    for (auto it = oldTops.cbegin(); it != oldTops.cend(); ++it)
        if (ClipRow* row = m_rows.value(it.key()))
            m_slides.insert(it.key(), it.value() - row->y());
    m_clearAllSlide = oldClearAllTop - m_clearAll->y();
    m_removal.jumpTo(0);
    m_removal.animateTo(1, Curve::easeInOut(removalSeconds), false);
    animationFrame();
    m_frames.start();
}

// Before the row goes, so that the focus never passes through another control on its way (which
// a screen reader would announce) or lands outside the list.
void ClipsList::handOnFocusOfRemovedRow() {
    ClipRow* focused = focusedRow();
    const QList<ClipSummary>& clips = m_viewModel.clips();
    if (!focused || indexOf(focused->clip().id) || clips.isEmpty())
        return;
    const qsizetype index = std::min(focused->index(), clips.size() - 1);
    ClipRow* row = m_rows.value(clips[index].id);
    if (!row) { // the focused row lay out of view
        row = makeRow(clips[index]);
        m_rows.insert(clips[index].id, row);
        showRow(*row, index);
    }
    const QWidget* control = window()->focusWidget();
    QWidget* next = control == &focused->textColumn()   ? &row->textColumn()
                    : control == &focused->playButton() ? static_cast<QWidget*>(&row->playButton())
                                                        : &row->deleteButton();
    window()->setAttribute(Qt::WA_KeyboardFocusChange);
    next->setFocus(Qt::TabFocusReason);
}

void ClipsList::relayout() {
    const QList<ClipSummary>& clips = m_viewModel.clips();
    m_layout.count = clips.size();
    m_layout.collapsedHeight = m_metrics.rowHeight(ClipRowMetrics::collapsedLines);
    m_layout.expanded.reset();
    if (const auto& expanded = m_viewModel.expandedClipID()) {
        if (const auto index = indexOf(*expanded)) {
            m_layout.expanded = index;
            const QString text =
                m_viewModel.fullTextCache().value(*expanded, clips[*index].preview);
            const qsizetype lines =
                wrapText(text, ClipsFonts::body(), m_metrics.textWidth(width())).lineCount;
            m_layout.expandedHeight = m_metrics.rowHeight(std::max<qsizetype>(lines, 1));
        }
    }
    m_layout.clearAllHeight = 2 * clearAllPadding + m_clearAll->height();
    setMinimumHeight(qCeil(m_layout.totalHeight()));
    m_clearAll->setVisible(!clips.isEmpty());
    showRows();
}

void ClipsList::showRows() {
    m_layingOut.run([this] { layOutRows(); });
}

void ClipsList::layOutRows() {
    const QList<ClipSummary>& clips = m_viewModel.clips();
    QList<ClipRow*> shown; // top to bottom
    for (const qsizetype index : rowsToMake()) {
        const ClipSummary& clip = clips[index];
        ClipRow* row = m_rows.take(clip.id);
        if (!row)
            row = makeRow(clip);
        showRow(*row, index);
        shown.append(row);
    }
    const QList<ClipRow*> retired = m_rows.values();
    m_rows.clear();
    for (ClipRow* row : std::as_const(shown))
        m_rows.insert(row->clip().id, row);
    orderTabStops(shown);
    placeClearAll();
    update();
    // Hiding a row that holds the focus moves the focus on, which can scroll the list and ask
    // for another layout; that one follows this one, and these rows are no longer in it.
    for (ClipRow* gone : retired) {
        gone->hide();
        gone->deleteLater(); // it may be the row whose button asked for its removal
    }
}

// Besides the rows in and near the visible area: the first and the last, where Tab and Shift+Tab
// enter the list from the controls before and after it, and the row that holds the focus with its
// neighbours, where they go from it. The focused row stays when it is scrolled away, as a list
// keeps its current item: the focus does not jump, and Space still plays the clip it is on.
QList<qsizetype> ClipsList::rowsToMake() const {
    const qsizetype count = m_viewModel.clips().size();
    if (count == 0)
        return {};
    const auto [first, last] =
        m_layout.rowsBetween(m_visibleTop - overscan, m_visibleTop + m_visibleHeight + overscan);
    QList<qsizetype> indices{0, count - 1};
    for (qsizetype index = first; index < last; ++index)
        indices.append(index);
    if (const ClipRow* focused = focusedRow())
        if (const auto index = indexOf(focused->clip().id))
            for (const qsizetype near : {*index - 1, *index, *index + 1})
                if (near >= 0 && near < count)
                    indices.append(near);
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    return indices;
}

void ClipsList::orderTabStops(const QList<ClipRow*>& rows) {
    // Rows are made in the order the list scrolls to them; Tab walks them as they lie, from the
    // list's own place in the chain, and reaches "Clear all" last.
    QWidget* previous = this;
    for (ClipRow* row : rows)
        for (QWidget* control : std::initializer_list<QWidget*>{
                 &row->textColumn(), &row->playButton(), &row->deleteButton()}) {
            setTabOrder(previous, control);
            previous = control;
        }
    setTabOrder(previous, m_clearAll);
}

ClipRow* ClipsList::makeRow(const ClipSummary& clip) {
    auto* row = new ClipRow(clip, m_metrics, m_environment, this);
    row->textColumn().onClick = [this, clip](bool isTruncated) {
        m_viewModel.setExpanded(clip, isTruncated);
    };
    connect(&row->playButton(), &QAbstractButton::clicked, this,
            [this, id = clip.id] { m_viewModel.toggle(id); });
    row->deleteButton().action = [this, clip] { m_viewModel.deleteClip(clip); };
    return row;
}

void ClipsList::showRow(ClipRow& row, qsizetype index) {
    placeRow(row, index);
    bindRow(row);
    row.show();
}

ClipRow* ClipsList::focusedRow() const {
    const QWidget* focus = window()->focusWidget();
    for (ClipRow* row : std::as_const(m_rows))
        if (row->isAncestorOf(focus))
            return row;
    return nullptr;
}

std::optional<qsizetype> ClipsList::indexOf(const ClipID& id) const {
    const QList<ClipSummary>& clips = m_viewModel.clips();
    const auto found = std::find_if(clips.cbegin(), clips.cend(),
                                    [&id](const ClipSummary& clip) { return clip.id == id; });
    if (found == clips.cend())
        return std::nullopt;
    return found - clips.cbegin();
}

void ClipsList::placeRow(ClipRow& row, qsizetype index) {
    row.setIndex(index);
    const qreal slide = m_slides.value(row.clip().id) * slideRemaining();
    const qreal top = m_layout.rowTop(index) + slide;
    const int y = pixel(top);
    row.setGeometry(0, y, width(), pixel(top + m_layout.rowHeight(index)) - y);
}

void ClipsList::bindRow(ClipRow& row) const {
    const ClipSummary& clip = row.clip();
    const bool expanded = m_viewModel.expandedClipID() == clip.id;
    std::optional<QString> fullText;
    if (expanded)
        fullText = m_viewModel.fullTextCache().value(clip.id, clip.preview);
    QString duration = formatMinutesSeconds(clip.totalDuration);
    if (m_viewModel.unplayableClipIDs().contains(clip.id))
        duration += QStringLiteral(" \u00B7 Can\u2019t be played");
    row.textColumn().setContent(clipDateLabel(clip.createdAt, m_environment.now(),
                                              m_environment.locale, m_environment.timeZone),
                                clip.preview, duration, fullText);
    row.playButton().setPlaying(m_viewModel.playingClipID() == clip.id);
    // The buttons are named by what they do; their description says which clip.
    row.playButton().setAccessibleDescription(clip.preview);
    row.deleteButton().setAccessibleDescription(clip.preview);
}

void ClipsList::placeClearAll() {
    const qreal top = m_layout.clearAllTop() + clearAllPadding + m_clearAllSlide * slideRemaining();
    m_clearAll->move((width() - m_clearAll->width()) / 2, pixel(top));
}

QPixmap ClipsList::snapshot(ClipRow& row) const {
    QPixmap image = widgetSnapshot(
        row, QSize(row.width(), row.height() + int(ClipsListGeometry::dividerHeight)));
    QPainter painter(&image);
    painter.fillRect(QRectF(0, row.height(), row.width(), ClipsListGeometry::dividerHeight),
                     Theme::white08());
    return image;
}

double ClipsList::slideRemaining() const {
    return 1 - std::clamp(m_removal.now(), 0.0, 1.0);
}

void ClipsList::animationFrame() {
    if (m_removal.isSettled()) {
        m_ghosts.clear();
        m_slides.clear();
        m_clearAllSlide = 0;
    }
    showRows();
    if (m_ghosts.isEmpty() && onTransitionEnd)
        onTransitionEnd();
}

void ClipsList::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (const ClipRow* row : std::as_const(m_rows))
        painter.fillRect(
            QRectF(0, row->geometry().bottom() + 1, width(), ClipsListGeometry::dividerHeight),
            Theme::white08());
    const double progress = std::clamp(m_removal.now(), 0.0, 1.0);
    const qreal scale = 1 - (1 - removedScale) * progress;
    for (const Ghost& ghost : std::as_const(m_ghosts)) {
        // Shrinks towards its top centre as it fades.
        QRectF target(0, 0, ghost.rect.width() * scale, ghost.rect.height() * scale);
        target.moveTopLeft(QPointF(ghost.rect.center().x() - target.width() / 2, ghost.rect.top()));
        painter.setOpacity(1 - progress);
        painter.drawPixmap(target, ghost.image, QRectF(ghost.image.rect()));
    }
}

} // namespace Parlino
