#include "Parlino/Panel/TranscriptCanvas.h"

#include "Parlino/Panel/PlainTextBlock.h"
#include "Parlino/Style/Theme.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTextEdit>

#include <algorithm>
#include <cmath>

namespace Parlino {

namespace {

const QColor& tierColour(WordTier tier) {
    switch (tier) {
    case WordTier::upcoming:
        return Theme::white60();
    case WordTier::spoken:
        return Theme::white85();
    case WordTier::current:
        return Theme::accent();
    }
    Q_UNREACHABLE();
}

// Whether `after` is the `count` words that ended with `last` with words added at the end. The
// layout takes only a word's text and place, and those follow from the text alone, so the words
// of one text differ only in their times: a list whose word at the old end is still the old
// last word has kept the words before it too.
bool grewAtTheEnd(qsizetype count, const Core::WordTiming& last, const Core::TimedWords& after) {
    if (count == 0 || after.size() < count)
        return false;
    const Core::WordTiming& same = after[count - 1];
    return same.word == last.word && same.range == last.range;
}

} // namespace

TranscriptCanvas::TranscriptCanvas(const TextMeasurer& measurer, const Core::TimedWords& words,
                                   QWidget* parent)
    : QWidget(parent), m_measurer(measurer), m_words(words),
      m_paragraphs(Transcript::paragraphs({})) {
    setObjectName(QStringLiteral("TranscriptCanvas"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    // A Tab stop for a screen reader to read it from, which a click on a word focuses too; its
    // keys go on to the panel.
    setFocusPolicy(Qt::StrongFocus);
}

void TranscriptCanvas::setContent(Content content) {
    // While a read is synthesised its words only grow: those are laid out from where the last
    // ones stood, so that each chunk costs what it adds, not what came before.
    const bool newText = content.text != m_content.text;
    m_appending = !newText && content.caseChoice == m_content.caseChoice &&
                  content.font == m_content.font && grewAtTheEnd(m_wordCount, m_lastWord, m_words);
    m_content = std::move(content);
    m_wordCount = m_words.size();
    m_lastWord = m_words.isEmpty() ? Core::WordTiming{} : m_words.last();
    if (newText)
        m_paragraphs = Transcript::paragraphs(m_content.text);
    if (!m_appending) {
        m_staticTexts.clear();
        m_layout = {};
    }
    m_plain = {};
    clearPlainBlocks();
    m_laidOutWidth.reset();
}

void TranscriptCanvas::layOutAtWidth(int width) {
    // The layout follows the content and the width: a change of height alone, as the sheet grows
    // or shrinks frame by frame, keeps it.
    if (m_laidOutWidth == width)
        return;
    m_laidOutWidth = width;
    int height = 0;
    if (m_words.isEmpty()) {
        clearPlainBlocks();
        const int contentWidth = std::max(1, width - 2 * int(TranscriptLayout::horizontalPadding));
        const QFontMetricsF metrics(m_content.font);
        // Until a block is shown, its height is that of its characters at the average width.
        m_plain.reset(m_paragraphs, m_content.caseChoice, [&](const QString& text) {
            const qreal lines = std::ceil(text.size() * metrics.averageCharWidth() / contentWidth);
            return std::max<qreal>(1, lines) * metrics.lineSpacing();
        });
        resize(width, 0);
        showPlainBand();
        height = qCeil(m_plain.height());
    } else {
        if (std::exchange(m_appending, false) && m_layout.width == width)
            appendToTranscriptLayout(m_layout, m_paragraphs, m_words, m_content.caseChoice,
                                     m_content.font, m_measurer);
        else
            m_layout = layOutTranscript(m_paragraphs, m_words, m_content.caseChoice, m_content.font,
                                        m_measurer, width);
        height = qCeil(m_layout.height);
    }
    resize(width, height);
    update();
}

void TranscriptCanvas::setVisibleBand(int top, int height) {
    m_bandTop = top;
    m_bandHeight = height;
    if (!m_words.isEmpty())
        return;
    showPlainBand();
    const int wanted = qCeil(m_plain.height());
    if (wanted != this->height())
        resize(width(), wanted);
}

void TranscriptCanvas::clearPlainBlocks() {
    qDeleteAll(m_plainBlocks);
    m_plainBlocks.clear();
}

int TranscriptCanvas::plainContentWidth() const {
    return std::max(0, width() - 2 * int(TranscriptLayout::horizontalPadding));
}

// Shows the blocks within a screenful of the visible band, measured as they first come near.
void TranscriptCanvas::showPlainBand() {
    const int margin = std::max(m_bandHeight, 100);
    const QList<qsizetype> band = m_plain.measureBand(
        m_bandTop - margin, m_bandTop + m_bandHeight + margin, [this](qsizetype block) {
            return qreal(qCeil(PlainTextBlock::height(m_plain.blocks()[block].text, m_content.font,
                                                      plainContentWidth())));
        });
    for (auto it = m_plainBlocks.begin(); it != m_plainBlocks.end();) {
        if (band.contains(it.key())) {
            ++it;
        } else {
            delete it.value();
            it = m_plainBlocks.erase(it);
        }
    }
    for (const qsizetype b : band) {
        const PlainTranscriptLayout::Block& block = m_plain.blocks()[b];
        if (block.text.isEmpty())
            continue;
        QTextEdit* view = plainBlock(b);
        view->setGeometry(int(TranscriptLayout::horizontalPadding), qRound(block.top),
                          plainContentWidth(), qRound(block.height));
        view->show();
    }
}

QTextEdit* TranscriptCanvas::plainBlock(qsizetype block) {
    QTextEdit*& view = m_plainBlocks[block];
    if (!view)
        view = PlainTextBlock::make(m_plain.blocks()[block].text, m_content.font, this);
    return view;
}

QRegion TranscriptCanvas::setCurrentWordIndex(std::optional<qsizetype> index) {
    const auto changed = Transcript::changedWords(m_current, index);
    m_current = index;
    QRegion region;
    if (!changed)
        return region;
    for (const QRectF& rect : changedRects(m_layout, *changed))
        region += rect.toAlignedRect();
    update(region);
    return region;
}

TranscriptCanvas::PreparedText TranscriptCanvas::prepared(const QString& shown,
                                                          bool rightToLeft) const {
    QStaticText text(shown);
    text.setTextFormat(Qt::PlainText);
    text.setPerformanceHint(QStaticText::AggressiveCaching);
    QTextOption option;
    option.setTextDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    text.setTextOption(option);
    text.prepare(QTransform(), m_content.font);
    // The layout measured most words already.
    const auto measured = m_layout.measuredWords.constFind(shown);
    return {text, measured != m_layout.measuredWords.cend()
                      ? measured->ascent
                      : m_measurer.lineMetrics(shown, m_content.font).ascent};
}

const TranscriptCanvas::PreparedText& TranscriptCanvas::staticText(qsizetype word) {
    if (const auto found = m_staticTexts.constFind(word); found != m_staticTexts.cend())
        return *found;
    // A screenful holds far fewer words: texts prepared for words scrolled away long ago go.
    if (m_staticTexts.size() >= preparedWordLimit)
        m_staticTexts.clear();
    return *m_staticTexts.insert(
        word, prepared(TranscriptCaseChoices::apply(m_content.caseChoice, m_words[word].word),
                       setsRightToLeft(m_layout, word)));
}

// Every chip of a row stands on the row's baseline, whatever fonts its text takes.
void TranscriptCanvas::paintChip(QPainter& painter, const QRectF& rect, qreal baseline,
                                 const PreparedText& text) {
    painter.drawStaticText(QPointF(rect.left(), rect.top() + baseline - text.ascent), text.text);
}

void TranscriptCanvas::paintEvent(QPaintEvent* event) {
    if (m_layout.wordRects.isEmpty())
        return;
    QPainter painter(this);
    painter.setFont(m_content.font);
    const QRectF dirty = event->rect();
    const WordSpan near = wordsMeeting(m_layout, dirty.top(), dirty.bottom());
    for (qsizetype w = near.first; w < near.end; ++w) {
        const QRectF rect = m_layout.wordRects[w];
        if (!rect.intersects(dirty) || !piecesOf(m_layout, w).isEmpty())
            continue;
        painter.setPen(tierColour(Transcript::tier(w, m_current)));
        paintChip(painter, rect, m_layout.wordRects.baseline(w), staticText(w));
    }
    // A word broken over rows is drawn piece by piece; there are few of them.
    for (const TranscriptLayout::Piece& piece : m_layout.pieces) {
        if (!piece.rect.intersects(dirty))
            continue;
        painter.setPen(tierColour(Transcript::tier(piece.word, m_current)));
        paintChip(painter, piece.rect, piece.baseline,
                  prepared(piece.text, setsRightToLeft(m_layout, piece.word)));
    }
}

void TranscriptCanvas::mousePressEvent(QMouseEvent* event) {
    m_pressedWord =
        event->button() == Qt::LeftButton ? wordAt(m_layout, event->position()) : std::nullopt;
}

void TranscriptCanvas::mouseReleaseEvent(QMouseEvent* event) {
    const auto pressed = std::exchange(m_pressedWord, std::nullopt);
    if (event->button() != Qt::LeftButton || !pressed)
        return;
    if (wordAt(m_layout, event->position()) == pressed && onWordTap)
        onWordTap(*pressed);
}

} // namespace Parlino
