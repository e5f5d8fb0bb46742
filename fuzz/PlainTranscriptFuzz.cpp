// The plain transcript's blocks for any text, letter case and band: a paragraph's blocks laid end
// to end are the paragraph as shown, each ends between character clusters within its allowance
// (or holds one longer cluster), the blocks stack without gap or overlap, and measuring a band
// measures every block that reaches into it and keeps them stacked.
#include "Base/Unicode.h"
#include "Parlino/Panel/PlainTranscriptLayout.h"
#include "Parlino/Panel/TranscriptLayout.h"
#include "fuzz/FuzzInput.h"

namespace {

using Parlino::PlainTranscriptLayout;
using Parlino::TranscriptLayout;

// Walks a paragraph's block ends with a small allowance.
void checkBlockEnds(const QString& text, qsizetype maxLength) {
    const Base::Unicode::GraphemeBoundaries clusters(text);
    qsizetype from = 0;
    while (from < text.size()) {
        const qsizetype end = PlainTranscriptLayout::blockEnd(text, from, maxLength);
        Fuzz::require(end > from && end <= text.size());
        Fuzz::require(clusters.isBoundary(end));
        Fuzz::require(end - from <= maxLength || end == clusters.after(from));
        from = end;
    }
}

// Every block starts where the one before it ends, with the paragraphs' spacing between them.
void checkStacking(const PlainTranscriptLayout& layout) {
    const auto& blocks = layout.blocks();
    qreal y = TranscriptLayout::verticalPadding;
    for (qsizetype b = 0; b < blocks.size(); ++b) {
        if (b > 0 && blocks[b].paragraph != blocks[b - 1].paragraph)
            y += TranscriptLayout::paragraphSpacing;
        Fuzz::require(blocks[b].top == y);
        y += blocks[b].height;
    }
    Fuzz::require(layout.height() == y + TranscriptLayout::verticalPadding);
}

qreal estimate(const QString& text) {
    return qreal(10 + text.size() % 37);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    const auto caseChoice = Parlino::TranscriptCaseChoice(data[0] % 3);
    const qsizetype maxLength = 1 + data[1] % 64;
    const qreal bandTop = data[2] * 8;
    const qreal bandHeight = data[3] * 2;
    const QStringList texts = QString::fromUtf8(Fuzz::bytes(data + 4, size - 4)).split(u'\n');

    QList<Parlino::Paragraph> paragraphs;
    for (const QString& text : texts) {
        checkBlockEnds(Parlino::TranscriptCaseChoices::apply(caseChoice, text), maxLength);
        paragraphs.append({paragraphs.size(), text, 0});
    }

    PlainTranscriptLayout layout;
    layout.reset(paragraphs, caseChoice, estimate);
    QList<QString> joined(paragraphs.size());
    for (const auto& block : layout.blocks())
        joined[block.paragraph] += block.text;
    for (const auto& paragraph : paragraphs)
        Fuzz::require(joined[paragraph.id] ==
                      Parlino::TranscriptCaseChoices::apply(caseChoice, paragraph.text));
    checkStacking(layout);

    const qreal bandBottom = bandTop + bandHeight;
    const auto band =
        layout.measureBand(bandTop, bandBottom, [](qsizetype b) { return qreal(5 + b % 23); });
    for (qsizetype i = 1; i < band.size(); ++i)
        Fuzz::require(band[i] == band[i - 1] + 1);
    // Every block that reaches into the band as measured is in it, at its measured height.
    for (qsizetype b = 0; b < layout.blocks().size(); ++b) {
        const auto& block = layout.blocks()[b];
        if (block.top <= bandBottom && block.top + block.height >= bandTop)
            Fuzz::require(block.measured && band.contains(b));
    }
    checkStacking(layout);
    return 0;
}
