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
// A paragraph is read a window at a time, each twice as long as the one before, so that the
// measure reads a long text only about as far as it needs.
constexpr qsizetype firstWindowLength = 4096;

// Where the window of `length` code units from `from` ends: after the last white space in its
// second half, else (inside a word longer than half the window) between character clusters.
qsizetype windowEnd(const QString& paragraph, const Base::Unicode::GraphemeBoundaries& clusters,
                    qsizetype from, qsizetype length) {
    const qsizetype limit = from + length;
    if (limit >= paragraph.size())
        return paragraph.size();
    for (qsizetype end = limit; end > from + length / 2; --end)
        if (Base::Unicode::isWhiteSpace(paragraph[end - 1].unicode()))
            return end;
    const qsizetype cluster = clusters.atOrBefore(limit);
    return cluster > from ? cluster : clusters.after(from);
}

// The scalar that ends at `at`, which is not inside a surrogate pair.
char32_t scalarBefore(const QString& text, qsizetype at) {
    const QChar last = text[at - 1];
    if (last.isLowSurrogate() && at >= 2 && text[at - 2].isHighSurrogate())
        return QChar::surrogateToUcs4(text[at - 2], last);
    return last.unicode();
}

// Adds the word chips of a shown text, the transcript's words and gaps once timed, to the flow.
// `continuesWord`: the text goes on with the word the flow ended with, glued to it.
void addWords(FlowLayout& flow, const QString& shown, bool continuesWord, const QFont& font,
              const TextMeasurer& measurer) {
    const Base::Unicode::LineBreaks lineBreaks(shown);
    qint64 lastEnd = continuesWord ? 0 : -1;
    for (const Core::WordTiming& word : TTS::WordMapper::words(shown)) {
        const bool spaceBefore = lastEnd < word.range.lower;
        const bool breakBefore = spaceBefore || lineBreaks.allowsBreakAt(word.range.lower);
        lastEnd = word.range.upper;
        // Whole points, so that the measure never falls short of the chips.
        LineMetrics line = measurer.lineMetrics(word.word, font);
        line.width = std::ceil(line.width);
        flow.addWord(word.word, 0, line, spaceBefore, breakBefore, font, measurer);
    }
}

// How tall a paragraph's word chips stand in rows of `width`, read until they pass `limit`.
qreal paragraphHeight(const QString& paragraph, TranscriptCaseChoice caseChoice, const QFont& font,
                      qreal width, const TextMeasurer& measurer, qreal limit) {
    FlowLayout flow(width);
    const Base::Unicode::GraphemeBoundaries clusters(paragraph);
    qsizetype window = firstWindowLength;
    for (qsizetype from = 0; from < paragraph.size() && flow.height() <= limit; window *= 2) {
        const qsizetype to = windowEnd(paragraph, clusters, from, window);
        const bool continuesWord =
            from > 0 && !Base::Unicode::isWhiteSpace(paragraph[from - 1].unicode());
        const auto preceding =
            from > 0 ? std::optional(scalarBefore(paragraph, from)) : std::nullopt;
        addWords(
            flow,
            TranscriptCaseChoices::apply(caseChoice, paragraph.mid(from, to - from), preceding),
            continuesWord, font, measurer);
        from = to;
    }
    return flow.height();
}

} // namespace

qreal measureTextHeight(const QString& text, TranscriptCaseChoice caseChoice, const QFont& font,
                        qreal width, const TextMeasurer& measurer, qreal limit) {
    if (!(width > 0))
        return margin;
    qreal total = 0;
    for (qsizetype start = 0; total <= limit;) {
        const qsizetype feed = text.indexOf(u'\n', start);
        const qsizetype end = feed < 0 ? text.size() : feed;
        total += paragraphHeight(text.mid(start, end - start), caseChoice, font, width, measurer,
                                 limit - total);
        if (feed < 0)
            break;
        total += paragraphGap;
        start = feed + 1;
    }
    return std::ceil(total) + margin;
}

qreal TextHeightCache::height(const TextMeasurementKey& key, const QString& text) {
    if (m_entry && m_entry->key == key)
        return m_entry->height;
    const QFont font = PanelFontChoices::font(key.fontDesign, qRound(key.fontSize));
    const qreal measured =
        measureTextHeight(text, key.caseChoice, font, key.width, m_measurer, m_limit);
    m_entry = Entry{key, measured};
    return measured;
}

} // namespace Parlino
