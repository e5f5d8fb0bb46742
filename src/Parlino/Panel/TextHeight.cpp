#include "Parlino/Panel/TextHeight.h"

#include "Base/Unicode.h"
#include "Parlino/Panel/FlowLayout.h"
#include "TTS/WordMapper.h"

#include <QList>
#include <QStringView>

#include <cmath>

namespace Parlino {

namespace {

constexpr qreal paragraphGap = 8;
constexpr qreal margin = 8;

// How tall a paragraph's word chips stand in rows of `width`: the words and their gaps as the
// transcript shows them once timed.
qreal paragraphHeight(const QString& paragraph, const QFont& font, qreal width,
                      const TextMeasurer& measurer) {
    FlowLayout flow(width);
    const Base::Unicode::LineBreaks lineBreaks(paragraph);
    qint64 lastEnd = -1;
    for (const Core::WordTiming& word : TTS::WordMapper::words(paragraph)) {
        const bool spaceBefore = lastEnd < word.range.lower;
        const bool breakBefore = spaceBefore || lineBreaks.allowsBreakAt(word.range.lower);
        lastEnd = word.range.upper;
        // Whole points, so that the measure never falls short of the chips.
        LineMetrics line = measurer.lineMetrics(word.word, font);
        line.width = std::ceil(line.width);
        flow.addWord(word.word, 0, line, spaceBefore, breakBefore, font, measurer);
    }
    return flow.height();
}

} // namespace

qreal measureTextHeight(const QString& text, const QFont& font, qreal width,
                        const TextMeasurer& measurer) {
    if (!(width > 0))
        return margin;
    qreal total = 0;
    bool first = true;
    for (const QString& paragraph : text.split(u'\n')) {
        if (!first)
            total += paragraphGap;
        first = false;
        total += paragraphHeight(paragraph, font, width, measurer);
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
