#include "Parlino/Panel/TextHeight.h"

#include "Base/Unicode.h"

#include <QList>
#include <QStringView>

#include <cmath>

namespace Parlino {

namespace {

constexpr qreal wordGap = 4;
constexpr qreal lineGap = 5;
constexpr qreal paragraphGap = 8;
constexpr qreal margin = 8;
const QString probe = QStringLiteral("Ag");

// The maximal runs of characters that are not white space.
QList<QStringView> wordsOf(QStringView paragraph) {
    QList<QStringView> words;
    qsizetype start = -1;
    for (const Base::Unicode::Scalar scalar : Base::Unicode::Scalars(paragraph)) {
        const bool space = Base::Unicode::isWhiteSpace(scalar.value);
        if (space && start >= 0) {
            words << paragraph.sliced(start, scalar.offset - start);
            start = -1;
        } else if (!space && start < 0) {
            start = scalar.offset;
        }
    }
    if (start >= 0)
        words << paragraph.sliced(start);
    return words;
}

int lineCount(const QList<QStringView>& words, const QFont& font, qreal width,
              const TextMeasurer& measurer) {
    int lines = 0;
    qreal lineWidth = 0;
    for (const QStringView word : words) {
        const qreal wordWidth = std::ceil(measurer.lineSize(word.toString(), font).width());
        const qreal candidate = lineWidth + wordGap + wordWidth;
        if (lines == 0 || candidate > width) {
            ++lines;
            lineWidth = wordWidth;
        } else {
            lineWidth = candidate;
        }
    }
    return lines;
}

} // namespace

qreal measureTextHeight(const QString& text, const QFont& font, qreal width,
                        const TextMeasurer& measurer) {
    if (!(width > 0))
        return margin;
    const qreal lineHeight = measurer.lineSize(probe, font).height();
    qreal total = 0;
    bool first = true;
    for (const QStringView paragraph : QStringView(text).split(u'\n')) {
        if (!first)
            total += paragraphGap;
        first = false;
        const int lines = lineCount(wordsOf(paragraph), font, width, measurer);
        if (lines > 0)
            total += lineHeight * lines + lineGap * (lines - 1);
    }
    return std::ceil(total) + margin;
}

qreal TextHeightCache::height(const TextMeasurementKey& key, const QString& text) {
    if (m_entry && m_entry->key == key)
        return m_entry->height;
    const QFont font = PanelFontChoices::font(key.fontDesign, qRound(key.fontSize));
    const qreal measured = measureTextHeight(TranscriptCaseChoices::apply(key.caseChoice, text),
                                             font, key.width, m_measurer);
    m_entry = Entry{key, measured};
    return measured;
}

} // namespace Parlino
