#include "Parlino/Panel/TranscriptLayout.h"

#include "Base/Unicode.h"
#include "Parlino/Panel/TextMeasurer.h"

#include <algorithm>
#include <ranges>

namespace Parlino {

namespace {

// Opens paragraph `p` below the one before it for the words from `firstWord` on.
void openParagraph(TranscriptLayout& layout, const Paragraph& paragraph, qsizetype p,
                   qsizetype firstWord) {
    TranscriptLayout::ParagraphBox& box = layout.paragraphs[p];
    const qreal top =
        p == 0 ? TranscriptLayout::verticalPadding
               : layout.paragraphs[p - 1].rect.bottom() + TranscriptLayout::paragraphSpacing;
    box.rect.moveTop(top);
    box.rect.setHeight(0);
    box.firstWord = firstWord;
    box.wordCount = 0;
    box.rightToLeft = Base::Unicode::readsRightToLeft(paragraph.text);
    layout.openParagraph = p;
    layout.openFlow = FlowLayout(box.rect.width());
    layout.openParagraphNeedsOrdering =
        box.rightToLeft || Base::Unicode::holdsRightToLeft(paragraph.text);
    layout.lastWordEnd = -1;
}

// Common words come back every few lines; a long read's rarer ones would pile up for nothing.
constexpr qsizetype measuredWordsKept = 4096;

LineMetrics measured(TranscriptLayout& layout, const QString& shown, const QFont& font,
                     const TextMeasurer& measurer) {
    auto found = layout.measuredWords.constFind(shown);
    if (found == layout.measuredWords.cend()) {
        if (layout.measuredWords.size() >= measuredWordsKept)
            layout.measuredWords.clear();
        found = layout.measuredWords.insert(shown, measurer.lineMetrics(shown, font));
    }
    return *found;
}

// The chips of a row in the order they stand from left to right, with their left edges from the
// row's left end and the directions their texts are set in.
struct OrderedRow {
    QList<qreal> lefts;      // by item, in logical order
    QList<bool> rightToLeft; // by item
    qreal width = 0;
};

// Orders a row of a paragraph with right-to-left text by the bidirectional algorithm run over
// the row's text: each chip takes the level of its first strong character, and is set in the
// direction of its characters' levels where they agree, else in the paragraph's.
OrderedRow orderedRow(const FlowLayout::Row& row, const QList<Core::WordTiming>& rowWords,
                      const Paragraph& paragraph, bool rightToLeft) {
    const qsizetype n = row.items.size();
    qsizetype from = paragraph.text.size();
    qsizetype to = 0;
    for (const Core::WordTiming& word : rowWords) {
        from = std::min<qsizetype>(from, word.range.lower - paragraph.utf16Offset);
        to = std::max<qsizetype>(to, word.range.upper - paragraph.utf16Offset);
    }
    from = std::clamp<qsizetype>(from, 0, paragraph.text.size());
    to = std::clamp<qsizetype>(to, from, paragraph.text.size());
    const QList<quint8> levels =
        Base::Unicode::bidiLevels(paragraph.text.mid(from, to - from), rightToLeft);
    const quint8 base = rightToLeft ? 1 : 0;
    QList<quint8> itemLevels(n, base);
    OrderedRow ordered{QList<qreal>(n, 0), QList<bool>(n, rightToLeft), 0};
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype lower = rowWords[i].range.lower - paragraph.utf16Offset - from;
        const qsizetype upper = rowWords[i].range.upper - paragraph.utf16Offset - from;
        if (lower < 0 || upper > levels.size() || lower >= upper)
            continue;
        const QStringView text = QStringView(paragraph.text).sliced(from + lower, upper - lower);
        qsizetype strong = 0;
        for (const auto scalar : Base::Unicode::Scalars(text)) {
            const auto direction = QChar::direction(scalar.value);
            if (direction == QChar::DirL || direction == QChar::DirR || direction == QChar::DirAL) {
                strong = scalar.offset;
                break;
            }
        }
        itemLevels[i] = levels[lower + strong];
        const bool odd = levels[lower] % 2;
        const bool agree = std::all_of(levels.cbegin() + lower, levels.cbegin() + upper,
                                       [odd](quint8 level) { return bool(level % 2) == odd; });
        ordered.rightToLeft[i] = agree ? odd : rightToLeft;
    }
    qreal x = 0;
    qsizetype before = -1;
    for (const qsizetype i : Base::Unicode::visualOrder(itemLevels)) {
        if (before >= 0) {
            // Chips glued in the text stay glued where they stay neighbours.
            const qsizetype later = std::max(before, i);
            const bool glued = std::abs(before - i) == 1 && !row.items[later].spaceBefore;
            x += glued ? 0 : FlowLayout::wordSpacing;
        }
        ordered.lefts[i] = x;
        x += row.items[i].line.width;
        before = i;
    }
    ordered.width = x;
    return ordered;
}

// Writes the chips of a row of the open paragraph into the layout.
void placeRow(TranscriptLayout& layout, const FlowLayout::Row& row,
              const QList<Paragraph>& paragraphs, const Core::TimedWords& words) {
    const TranscriptLayout::ParagraphBox& box = layout.paragraphs[layout.openParagraph];
    // Rows of left-to-right text alone stand as they flowed.
    OrderedRow ordered{row.lefts, {}, row.width};
    if (layout.openParagraphNeedsOrdering) {
        QList<Core::WordTiming> rowWords;
        rowWords.reserve(row.items.size());
        for (const FlowLayout::Item& item : row.items)
            rowWords.append(words[item.word]);
        ordered = orderedRow(row, rowWords, paragraphs[layout.openParagraph], box.rightToLeft);
    }
    const qreal start = box.rect.left() + (box.rightToLeft ? box.rect.width() - ordered.width : 0);
    const qreal top = box.rect.top() + row.top;
    for (qsizetype i = 0; i < row.items.size(); ++i) {
        const FlowLayout::Item& item = row.items[i];
        const QRectF rect(start + ordered.lefts[i], top, item.line.width, row.height());
        if (item.from == 0) {
            layout.wordRects.append(rect, row.ascent);
            if (!ordered.rightToLeft.isEmpty() && ordered.rightToLeft[i] != box.rightToLeft)
                layout.contraryWords.append(item.word);
        }
        if (!item.piece.isEmpty())
            layout.pieces.append({item.word, rect, row.ascent, item.piece});
    }
}

void markRowsClosed(TranscriptLayout& layout) {
    layout.closedWords = layout.wordRects.size();
    layout.closedPieces = layout.pieces.size();
    layout.closedContrary = layout.contraryWords.size();
}

void placeClosedRows(TranscriptLayout& layout, const QList<Paragraph>& paragraphs,
                     const Core::TimedWords& words) {
    for (const FlowLayout::Row& row : layout.openFlow.takeClosedRows())
        placeRow(layout, row, paragraphs, words);
    markRowsClosed(layout);
}

// Takes back the chips of the open row, which stand there only until it closes.
void takeBackOpenRow(TranscriptLayout& layout) {
    layout.wordRects.truncate(layout.closedWords);
    layout.pieces.resize(layout.closedPieces);
    layout.contraryWords.resize(layout.closedContrary);
}

} // namespace

TranscriptLayout layOutTranscript(const QList<Paragraph>& paragraphs, const Core::TimedWords& words,
                                  TranscriptCaseChoice caseChoice, const QFont& font,
                                  const TextMeasurer& measurer, qreal width) {
    TranscriptLayout layout;
    layout.width = width;
    const qreal contentWidth = std::max<qreal>(0, width - 2 * TranscriptLayout::horizontalPadding);
    layout.paragraphs.fill({QRectF(TranscriptLayout::horizontalPadding, 0, contentWidth, 0), 0, 0},
                           paragraphs.size());
    if (!layout.paragraphs.isEmpty())
        openParagraph(layout, paragraphs[0], 0, 0);
    appendToTranscriptLayout(layout, paragraphs, words, caseChoice, font, measurer);
    return layout;
}

void appendToTranscriptLayout(TranscriptLayout& layout, const QList<Paragraph>& paragraphs,
                              const Core::TimedWords& words, TranscriptCaseChoice caseChoice,
                              const QFont& font, const TextMeasurer& measurer) {
    if (layout.paragraphs.isEmpty())
        return;
    takeBackOpenRow(layout);
    std::optional<Base::Unicode::LineBreaks> lineBreaks; // of the open paragraph, once asked
    for (qsizetype w = layout.laidWords; w < words.size(); ++w) {
        const Core::WordTiming word = words[w];
        const qsizetype p =
            Transcript::paragraphOfWord(paragraphs, layout.openParagraph, word.range.lower);
        if (p != layout.openParagraph) {
            // The paragraph's last row closes with it.
            placeRow(layout, layout.openFlow.openRow(), paragraphs, words);
            markRowsClosed(layout);
            layout.paragraphs[layout.openParagraph].rect.setHeight(layout.openFlow.height());
            for (qsizetype skipped = layout.openParagraph + 1; skipped <= p; ++skipped)
                openParagraph(layout, paragraphs[skipped], skipped, w);
            lineBreaks.reset();
        }
        const Paragraph& paragraph = paragraphs[p];
        const bool spaceBefore = layout.lastWordEnd < word.range.lower;
        bool breakBefore = spaceBefore;
        if (!breakBefore) {
            if (!lineBreaks)
                lineBreaks.emplace(paragraph.text);
            breakBefore = lineBreaks->allowsBreakAt(word.range.lower - paragraph.utf16Offset);
        }
        layout.lastWordEnd = word.range.upper;
        const QString shown = TranscriptCaseChoices::apply(caseChoice, word.word);
        layout.openFlow.addWord(shown, w, measured(layout, shown, font, measurer), spaceBefore,
                                breakBefore, font, measurer);
        placeClosedRows(layout, paragraphs, words);
        ++layout.paragraphs[layout.openParagraph].wordCount;
    }
    layout.laidWords = words.size();
    placeRow(layout, layout.openFlow.openRow(), paragraphs, words);
    // The paragraphs no word has reached yet follow the open one, empty.
    const qsizetype open = layout.openParagraph;
    layout.paragraphs[open].rect.setHeight(layout.openFlow.height());
    for (qsizetype p = open + 1; p < layout.paragraphs.size(); ++p) {
        TranscriptLayout::ParagraphBox& box = layout.paragraphs[p];
        box.rect.moveTop(layout.paragraphs[p - 1].rect.bottom() +
                         TranscriptLayout::paragraphSpacing);
        box.firstWord = layout.wordRects.size();
    }
    layout.height = layout.paragraphs.last().rect.bottom() + TranscriptLayout::verticalPadding;
}

WordSpan wordsMeeting(const TranscriptLayout& layout, qreal top, qreal bottom) {
    const WordBoxes& rects = layout.wordRects;
    const auto words = std::views::iota(qsizetype(0), rects.size());
    auto first = qsizetype(
        std::ranges::partition_point(words, [&](qsizetype w) { return rects.top(w) < top; }) -
        words.begin());
    // Only the row just above the band can reach into it: every earlier row ends above that
    // row's top.
    if (first > 0) {
        const qreal rowTop = rects.top(first - 1);
        while (first > 0 && rects.top(first - 1) == rowTop)
            --first;
    }
    const auto end = std::ranges::partition_point(
        words.begin() + first, words.end(), [&](qsizetype w) { return rects.top(w) <= bottom; });
    return {first, qsizetype(end - words.begin())};
}

std::optional<qsizetype> wordAt(const TranscriptLayout& layout, QPointF point) {
    const WordSpan near = wordsMeeting(layout, point.y(), point.y());
    for (qsizetype w = near.first; w < near.end; ++w)
        if (layout.wordRects[w].contains(point))
            return w;
    for (const TranscriptLayout::Piece& piece : layout.pieces)
        if (piece.rect.contains(point))
            return piece.word;
    return std::nullopt;
}

QList<TranscriptLayout::Piece> piecesOf(const TranscriptLayout& layout, qsizetype word) {
    const auto byWord = [](const TranscriptLayout::Piece& piece) { return piece.word; };
    const auto [first, last] = std::ranges::equal_range(layout.pieces, word, {}, byWord);
    return {first, last};
}

bool setsRightToLeft(const TranscriptLayout& layout, qsizetype word) {
    const auto paragraph = paragraphHoldingWord(layout, word);
    const bool rightToLeft = paragraph && layout.paragraphs[*paragraph].rightToLeft;
    return rightToLeft != std::ranges::binary_search(layout.contraryWords, word);
}

std::optional<qsizetype> paragraphHoldingWord(const TranscriptLayout& layout, qsizetype word) {
    if (word < 0 || word >= layout.wordRects.size())
        return std::nullopt;
    const auto& boxes = layout.paragraphs;
    const auto after = std::upper_bound(
        boxes.begin(), boxes.end(), word,
        [](qsizetype w, const TranscriptLayout::ParagraphBox& box) { return w < box.firstWord; });
    return (after - boxes.begin()) - 1;
}

QList<QRectF> changedRects(const TranscriptLayout& layout, WordRange range) {
    QList<QRectF> rects;
    const qsizetype last = std::min(range.last, layout.wordRects.size() - 1);
    const auto first = paragraphHoldingWord(layout, std::max<qsizetype>(0, range.first));
    if (!first)
        return rects;
    for (qsizetype p = *first; p < layout.paragraphs.size(); ++p) {
        const TranscriptLayout::ParagraphBox& box = layout.paragraphs[p];
        if (box.firstWord > last)
            break;
        const qsizetype from = std::max(box.firstWord, range.first);
        const qsizetype to = std::min(box.firstWord + box.wordCount - 1, last);
        QRectF united;
        for (qsizetype w = from; w <= to; ++w)
            united = united.united(layout.wordRects[w]);
        if (!united.isEmpty())
            rects.append(united);
    }
    // The pieces of broken words on rows of their own.
    const auto piece = std::ranges::lower_bound(layout.pieces, range.first, {},
                                                [](const auto& piece) { return piece.word; });
    for (auto it = piece; it != layout.pieces.end() && it->word <= last; ++it)
        rects.append(it->rect);
    return rects;
}

qreal centredScrollOffset(const TranscriptLayout& layout, qsizetype paragraph,
                          qreal viewportHeight) {
    if (paragraph < 0 || paragraph >= layout.paragraphs.size())
        return 0;
    const qreal wanted = layout.paragraphs[paragraph].rect.center().y() - viewportHeight / 2;
    return std::clamp<qreal>(wanted, 0, std::max<qreal>(0, layout.height - viewportHeight));
}

qreal scrollableHeight(const TranscriptLayout& layout, qreal viewportHeight) {
    if (layout.height <= viewportHeight || layout.wordRects.isEmpty())
        return layout.height;
    const QRectF last = layout.wordRects[layout.wordRects.size() - 1];
    return layout.height + last.height() + FlowLayout::lineSpacing;
}

qreal followScrollOffset(const TranscriptLayout& layout, qsizetype word, qreal viewportHeight) {
    const auto paragraph = paragraphHoldingWord(layout, word);
    if (!paragraph)
        return 0;
    if (layout.paragraphs[*paragraph].rect.height() <= viewportHeight)
        return centredScrollOffset(layout, *paragraph, viewportHeight);
    const QRectF current = layout.wordRects[word];
    const qreal bottom =
        std::max<qreal>(0, scrollableHeight(layout, viewportHeight) - viewportHeight);
    const qreal offset = std::clamp<qreal>(current.center().y() - viewportHeight / 2, 0, bottom);
    // The row the top edge would cut is brought down whole, the padding above it kept; where
    // that would push the current row out at the bottom, the row goes above the edge instead.
    const auto& rects = layout.wordRects;
    const WordSpan cut = wordsMeeting(layout, offset, offset);
    const QRectF row = cut.first < cut.end ? rects[cut.first] : QRectF();
    if (row.top() >= offset || row.bottom() <= offset)
        return offset;
    const qreal whole = std::max<qreal>(0, row.top() - TranscriptLayout::verticalPadding);
    if (current.bottom() <= whole + viewportHeight)
        return whole;
    const auto words = std::views::iota(cut.first, rects.size());
    const auto next = std::ranges::partition_point(
        words, [&](qsizetype word) { return rects.top(word) <= row.top(); });
    const qreal below =
        next == words.end() ? offset : rects.top(*next) - TranscriptLayout::verticalPadding;
    return std::min(below, bottom);
}

} // namespace Parlino
