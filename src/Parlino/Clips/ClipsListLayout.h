#pragma once

#include <QFont>
#include <QStringList>

#include <optional>
#include <utility>

namespace Parlino {

// The fonts of the clips list, all in the system family at pixel sizes.
namespace ClipsFonts {
QFont date();     // 11 medium
QFont body();     // 13 regular
QFont duration(); // 11 regular
QFont chip();     // 11 semibold
QFont clearAll(); // 12 medium
} // namespace ClipsFonts

// A plain text broken into lines at a width: `lines` holds at most the lines asked for, the
// last of them ending in an ellipsis when text was cut off; `lineCount` is the number of lines
// the whole text needs. Each line reads in the direction of the paragraph it belongs to.
struct WrappedText {
    QStringList lines;
    QList<bool> readsRightToLeft; // one for each of `lines`
    qsizetype lineCount = 0;

    bool isTruncated() const { return lineCount > lines.size(); }
};

// Line breaks in the text are kept; a word longer than the width breaks anywhere.
WrappedText wrapText(const QString& text, const QFont& font, qreal width,
                     std::optional<qsizetype> maxLines = std::nullopt);

// The measures of one clip row: padding, the text column's lines and the two 22-pixel buttons
// on its right, 12 apart. A collapsed row always reserves two lines of text.
struct ClipRowMetrics {
    static constexpr qreal horizontalPadding = 16;
    static constexpr qreal verticalPadding = 22.0 / 3;
    static constexpr qreal spacing = 12;
    static constexpr qreal minimumGap = 8;
    static constexpr qreal buttonSide = 22;
    static constexpr qreal textInset = 4;
    static constexpr qreal lineGap = 4;
    static constexpr qsizetype collapsedLines = 2;

    qreal dateLine = 0;
    qreal bodyLine = 0;
    qreal durationLine = 0;

    // From the list's fonts.
    static ClipRowMetrics standard();

    qreal textColumnWidth(qreal rowWidth) const;
    // The width the body text wraps at: the column less its insets.
    qreal textWidth(qreal rowWidth) const { return textColumnWidth(rowWidth) - 2 * textInset; }
    qreal textColumnHeight(qsizetype bodyLines) const;
    qreal rowHeight(qsizetype bodyLines) const;
};

// Where the rows of a list lie: each row is followed by a one-pixel divider, every row is as
// tall as a collapsed one except the expanded row, and the "Clear all" button comes last.
struct ClipsListGeometry {
    static constexpr qreal dividerHeight = 1;

    qsizetype count = 0;
    qreal collapsedHeight = 0;
    std::optional<qsizetype> expanded;
    qreal expandedHeight = 0;
    qreal clearAllHeight = 0;

    qreal rowTop(qsizetype index) const;
    qreal rowHeight(qsizetype index) const;
    qreal clearAllTop() const { return rowTop(count); }
    qreal totalHeight() const { return clearAllTop() + clearAllHeight; }
    // The rows that show, wholly or in part, between `top` and `bottom`: the first and one past
    // the last.
    std::pair<qsizetype, qsizetype> rowsBetween(qreal top, qreal bottom) const;

private:
    qsizetype rowAt(qreal y) const;
};

} // namespace Parlino
