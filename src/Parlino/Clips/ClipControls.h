#pragma once

#include "Defaults/Default.h"
#include "Parlino/Clips/ClipsListLayout.h"
#include "Parlino/Style/ParlinoButton.h"

#include <QWidget>

#include <functional>
#include <optional>

namespace Parlino {

// The header's speed chip: the shared playback speed as "1.25×", named "Playback speed 1.25×" as
// the panel's chip is, and redrawn whenever the setting changes, whoever changed it. A click asks
// for the next speed.
class ClipSpeedChip final : public ParlinoButton {
public:
    ClipSpeedChip(const Defaults::Key<double>& playbackRate, const MotionContext& motion,
                  QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintLabel(QPainter& painter, const QRectF& rect) override;

private:
    void follow();

    Defaults::Default<double> m_playbackRate;
};

// A row's round play button; it shows a stop square, and is announced "Stop", while its clip
// plays.
class ClipPlayButton final : public ParlinoButton {
public:
    explicit ClipPlayButton(const MotionContext& motion, QWidget* parent = nullptr);

    bool isPlaying() const { return m_playing; }
    void setPlaying(bool playing);

    QSize sizeHint() const override;

protected:
    void paintLabel(QPainter& painter, const QRectF& rect) override;

private:
    bool m_playing = false;
};

// A row's clickable text: the date line, the preview clamped to two lines (or the full text
// when expanded) and the duration. A click reports whether the preview is cut off at two lines
// at the column's width.
class ClipTextColumn final : public ParlinoButton {
public:
    ClipTextColumn(const ClipRowMetrics& metrics, const MotionContext& motion,
                   QWidget* parent = nullptr);

    // `fullText` is given while the clip is expanded.
    void setContent(const QString& dateLabel, const QString& preview, const QString& duration,
                    const std::optional<QString>& fullText);

    bool isExpanded() const { return m_fullText.has_value(); }
    bool isTruncated() const { return m_previewTruncated; }
    // The lines of text the column draws now.
    const QStringList& bodyLines() const { return m_body.lines; }
    // The line below them: the clip's length, and whether it can be played.
    const QString& durationLine() const { return m_duration; }

    std::function<void(bool isTruncated)> onClick;

protected:
    void paintLabel(QPainter& painter, const QRectF& rect) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rewrap();

    ClipRowMetrics m_metrics;
    QString m_date;
    QString m_preview;
    QString m_duration;
    std::optional<QString> m_fullText;
    WrappedText m_body;
    bool m_previewTruncated = false;
    qreal m_wrappedWidth = -1;
};

// What an empty list says: "No clips yet", or, while saving is off, where to turn it back on.
// It follows the setting live.
class ClipsEmptyStateView final : public QWidget {
public:
    static constexpr qreal horizontalPadding = 48;

    ClipsEmptyStateView(const Defaults::Key<bool>& saveRecordings, QWidget* parent = nullptr);

    QString message() const;
    // Called when the message changes with the setting.
    std::function<void()> onMessageChanged;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Defaults::Default<bool> m_saveRecordings;
};

} // namespace Parlino
