#include "Parlino/Clips/ClipControls.h"

#include "Parlino/Style/ControlPainting.h"
#include "Parlino/Style/Icons.h"
#include "Parlino/Style/PlaybackSpeedText.h"
#include "Parlino/Style/Theme.h"

#include <QFontMetricsF>
#include <QPainter>

namespace Parlino {

namespace {

constexpr double hoverFillOpacity = 0.28;

// A row's text: a slight darkening while pressed and a faint highlight behind it on hover.
ParlinoButtonStyle textColumnStyle() {
    return {.scale = 1,
            .pressedScale = 0.99,
            .brightness = 0,
            .pressedBrightness = -0.05,
            .backdrop = Theme::white08(),
            .backdropCornerRadius = 6,
            .hover = true};
}

} // namespace

ClipSpeedChip::ClipSpeedChip(const Defaults::Key<double>& playbackRate, const MotionContext& motion,
                             QWidget* parent)
    : ParlinoButton(ParlinoButtonStyle::standard(false), motion, parent),
      m_playbackRate(playbackRate) {
    setObjectName(QStringLiteral("ClipSpeedChip"));
    setFont(ClipsFonts::chip());
    connect(&m_playbackRate, &Defaults::Observable::changed, this, [this] { follow(); });
    follow();
}

void ClipSpeedChip::follow() {
    const double rate = m_playbackRate.value();
    const QString text = playbackSpeedText(rate);
    if (text == this->text())
        return;
    setText(text);
    setAccessibleName(playbackSpeedName(rate));
    updateGeometry();
    update();
}

QSize ClipSpeedChip::sizeHint() const {
    const QSizeF text = QFontMetricsF(font()).size(Qt::TextSingleLine, this->text());
    return QSizeF(text.width() + 16, text.height() + 6).toSize();
}

void ClipSpeedChip::paintLabel(QPainter& painter, const QRectF& rect) {
    const double hover = hoverAmount();
    painter.setRenderHint(QPainter::Antialiasing);
    fillCapsule(painter, rect, Theme::white(0.1 + (hoverFillOpacity - 0.1) * hover));
    painter.setPen(Theme::white(0.75 + 0.25 * hover));
    painter.setFont(font());
    painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text());
}

ClipPlayButton::ClipPlayButton(const MotionContext& motion, QWidget* parent)
    : ParlinoButton(ParlinoButtonStyle::standard(false), motion, parent) {
    setObjectName(QStringLiteral("ClipPlayButton"));
    setAccessibleName(QStringLiteral("Play"));
    setFixedSize(sizeHint());
}

void ClipPlayButton::setPlaying(bool playing) {
    if (playing == m_playing)
        return;
    m_playing = playing;
    setAccessibleName(playing ? QStringLiteral("Stop") : QStringLiteral("Play"));
    update();
}

QSize ClipPlayButton::sizeHint() const {
    const int side = qCeil(ClipRowMetrics::buttonSide);
    return {side, side};
}

void ClipPlayButton::paintLabel(QPainter& painter, const QRectF& rect) {
    constexpr qreal symbolSize = 12;
    paintHoverDisc(painter, rect, hoverAmount());
    Icons::paint(painter, rect,
                 m_playing ? QStringLiteral("stop.fill") : QStringLiteral("play.fill"), symbolSize,
                 Theme::accent());
}

ClipTextColumn::ClipTextColumn(const ClipRowMetrics& metrics, const MotionContext& motion,
                               QWidget* parent)
    : ParlinoButton(textColumnStyle(), motion, parent), m_metrics(metrics) {
    setObjectName(QStringLiteral("ClipTextColumn"));
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (onClick)
            onClick(m_previewTruncated);
    });
}

void ClipTextColumn::setContent(const QString& dateLabel, const QString& preview,
                                const QString& duration, const std::optional<QString>& fullText) {
    if (dateLabel == m_date && preview == m_preview && duration == m_duration &&
        fullText == m_fullText)
        return;
    m_date = dateLabel;
    m_preview = preview;
    m_duration = duration;
    m_fullText = fullText;
    setAccessibleName(preview);
    m_wrappedWidth = -1;
    rewrap();
    update();
}

void ClipTextColumn::resizeEvent(QResizeEvent* event) {
    rewrap();
    ParlinoButton::resizeEvent(event);
}

void ClipTextColumn::rewrap() {
    const qreal width = qreal(this->width()) - 2 * ClipRowMetrics::textInset;
    if (width == m_wrappedWidth)
        return;
    m_wrappedWidth = width;
    const WrappedText preview =
        wrapText(m_preview, ClipsFonts::body(), width, ClipRowMetrics::collapsedLines);
    m_previewTruncated = preview.isTruncated();
    m_body = m_fullText ? wrapText(*m_fullText, ClipsFonts::body(), width) : preview;
}

void ClipTextColumn::paintLabel(QPainter& painter, const QRectF& rect) {
    const qreal inset = ClipRowMetrics::textInset;
    const qreal x = rect.left() + inset;
    const qreal width = rect.width() - 2 * inset;
    const int oneLine = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    qreal y = rect.top() + inset;

    painter.setPen(Theme::white(0.5));
    painter.setFont(ClipsFonts::date());
    painter.drawText(QRectF(x, y, width, m_metrics.dateLine), oneLine, m_date);
    y += m_metrics.dateLine + ClipRowMetrics::lineGap;

    painter.setPen(Theme::white(0.9));
    painter.setFont(ClipsFonts::body());
    for (qsizetype i = 0; i < m_body.lines.size(); ++i) {
        // A right-to-left line starts at the right edge and runs in its own direction.
        const int flow = m_body.readsRightToLeft[i]
                             ? Qt::AlignRight | Qt::AlignAbsolute | Qt::TextForceRightToLeft
                             : Qt::AlignLeft | Qt::AlignAbsolute | Qt::TextForceLeftToRight;
        painter.drawText(QRectF(x, y, width, m_metrics.bodyLine),
                         flow | Qt::AlignVCenter | Qt::TextSingleLine, m_body.lines[i]);
        y += m_metrics.bodyLine;
    }
    // The duration follows the lines there are; a one-line preview leaves the row's reserved
    // second line free below it.
    y += ClipRowMetrics::lineGap;

    painter.setPen(Theme::white(0.5));
    painter.setFont(ClipsFonts::duration());
    painter.drawText(QRectF(x, y, width, m_metrics.durationLine), oneLine, m_duration);
}

ClipsEmptyStateView::ClipsEmptyStateView(const Defaults::Key<bool>& saveRecordings, QWidget* parent)
    : QWidget(parent), m_saveRecordings(saveRecordings) {
    setObjectName(QStringLiteral("ClipsEmptyStateView"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAccessibleName(message());
    connect(&m_saveRecordings, &Defaults::Observable::changed, this, [this] {
        setAccessibleName(message());
        update();
        if (onMessageChanged)
            onMessageChanged();
    });
}

QString ClipsEmptyStateView::message() const {
    if (m_saveRecordings.value())
        return QStringLiteral("No clips yet");
    return QStringLiteral("Saving is off \u2014 completed reads won't land here. Turn "
                          "\u201CSave audio to folder\u201D back on in Settings \u25B8 General.");
}

void ClipsEmptyStateView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Theme::white(0.55));
    painter.setFont(ClipsFonts::body());
    painter.drawText(QRectF(rect()).adjusted(horizontalPadding, 0, -horizontalPadding, 0),
                     Qt::AlignCenter | Qt::TextWordWrap, message());
}

} // namespace Parlino
