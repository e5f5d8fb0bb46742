#include "Parlino/Clips/ClipsListLayout.h"

#include "Base/Unicode.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace Parlino {

namespace ClipsFonts {

namespace {

// The family is named outright: a font that leaves it open takes it from whatever it is drawn
// on, and the lines would be measured in one family and drawn in another.
QFont systemFont(int pixelSize, QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    font.setFamily(QFontInfo(font).family());
    return font;
}

} // namespace

QFont date() {
    static const QFont font = systemFont(11, QFont::Medium);
    return font;
}
QFont body() {
    static const QFont font = systemFont(13, QFont::Normal);
    return font;
}
QFont duration() {
    static const QFont font = systemFont(11, QFont::Normal);
    return font;
}
QFont chip() {
    static const QFont font = systemFont(11, QFont::DemiBold);
    return font;
}
QFont clearAll() {
    static const QFont font = systemFont(12, QFont::Medium);
    return font;
}

} // namespace ClipsFonts

WrappedText wrapText(const QString& text, const QFont& font, qreal width,
                     std::optional<qsizetype> maxLines) {
    QString laidOut = text;
    laidOut.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    laidOut.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    laidOut.replace(QLatin1Char('\n'), QChar::LineSeparator);

    QTextLayout layout(laidOut, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QList<std::pair<int, int>> ranges;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max<qreal>(width, 1));
        ranges.append({line.textStart(), line.textLength()});
    }
    layout.endLayout();

    const auto lineText = [&](int start, int length) {
        QString part = laidOut.mid(start, length);
        while (!part.isEmpty() && (part.back().isSpace() || part.back() == QChar::LineSeparator))
            part.chop(1);
        return part;
    };
    // Each paragraph reads in the direction of its first strong character, and so do its lines:
    // a line's own first strong character may run the other way.
    const auto paragraphReadsRightToLeft = [&laidOut](qsizetype from) {
        const qsizetype end = laidOut.indexOf(QChar::LineSeparator, from);
        return Base::Unicode::readsRightToLeft(
            QStringView(laidOut).sliced(from, (end < 0 ? laidOut.size() : end) - from));
    };
    WrappedText wrapped;
    wrapped.lineCount = ranges.size();
    const qsizetype shown = std::min(ranges.size(), maxLines.value_or(ranges.size()));
    bool rightToLeft = paragraphReadsRightToLeft(0);
    for (qsizetype i = 0; i < shown; ++i) {
        const auto [start, length] = ranges[i];
        if (i > 0 && laidOut.at(start - 1) == QChar::LineSeparator)
            rightToLeft = paragraphReadsRightToLeft(start);
        wrapped.lines.append(lineText(start, length));
        wrapped.readsRightToLeft.append(rightToLeft);
    }
    if (shown > 0 && shown < ranges.size()) {
        // The last line shown ends in an ellipsis: after its own text when a line break ends
        // it, else after as much of the remaining text as fits.
        const auto [start, length] = ranges[shown - 1];
        const bool endsInBreak = laidOut.mid(start, length).contains(QChar::LineSeparator);
        QString tail = endsInBreak ? lineText(start, length) + QChar(0x2026)
                                   : laidOut.mid(start).replace(QChar::LineSeparator, u' ');
        wrapped.lines.back() =
            QFontMetricsF(font).elidedText(tail, Qt::ElideRight, std::max<qreal>(width, 1));
    }
    return wrapped;
}

ClipRowMetrics ClipRowMetrics::standard() {
    return {.dateLine = QFontMetricsF(ClipsFonts::date()).lineSpacing(),
            .bodyLine = QFontMetricsF(ClipsFonts::body()).lineSpacing(),
            .durationLine = QFontMetricsF(ClipsFonts::duration()).lineSpacing()};
}

qreal ClipRowMetrics::textColumnWidth(qreal rowWidth) const {
    // text | spacing | gap | spacing | play | spacing | delete
    const qreal taken = 2 * horizontalPadding + 3 * spacing + minimumGap + 2 * buttonSide;
    return std::max<qreal>(rowWidth - taken, 2 * textInset + 1);
}

qreal ClipRowMetrics::textColumnHeight(qsizetype bodyLines) const {
    return 2 * textInset + dateLine + lineGap + qreal(bodyLines) * bodyLine + lineGap +
           durationLine;
}

qreal ClipRowMetrics::rowHeight(qsizetype bodyLines) const {
    return 2 * verticalPadding + std::max(textColumnHeight(bodyLines), buttonSide);
}

qreal ClipsListGeometry::rowTop(qsizetype index) const {
    const qreal pitch = collapsedHeight + dividerHeight;
    qreal top = qreal(index) * pitch;
    if (expanded && index > *expanded)
        top += expandedHeight - collapsedHeight;
    return top;
}

qreal ClipsListGeometry::rowHeight(qsizetype index) const {
    return expanded == index ? expandedHeight : collapsedHeight;
}

qsizetype ClipsListGeometry::rowAt(qreal y) const {
    const qreal pitch = collapsedHeight + dividerHeight;
    if (pitch <= 0 || !std::isfinite(y))
        return 0;
    qsizetype index = 0;
    if (expanded && y >= rowTop(*expanded + 1))
        index = *expanded + 1 + qsizetype(std::floor((y - rowTop(*expanded + 1)) / pitch));
    else if (expanded && y >= rowTop(*expanded))
        index = *expanded;
    else
        index = qsizetype(std::floor(y / pitch));
    return std::clamp<qsizetype>(index, 0, count);
}

std::pair<qsizetype, qsizetype> ClipsListGeometry::rowsBetween(qreal top, qreal bottom) const {
    if (count == 0 || bottom <= top)
        return {0, 0};
    const qsizetype first = std::min(rowAt(top), count);
    const qsizetype last = std::min(rowAt(bottom) + 1, count);
    return {first, std::max(first, last)};
}

} // namespace Parlino
