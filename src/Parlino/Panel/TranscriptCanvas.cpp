#include "Parlino/Panel/TranscriptCanvas.h"

#include "Parlino/Style/Theme.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

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

} // namespace

TranscriptCanvas::TranscriptCanvas(const TextMeasurer& measurer, QWidget* parent)
    : QWidget(parent), m_measurer(measurer) {
    setObjectName(QStringLiteral("TranscriptCanvas"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TranscriptCanvas::setContent(Content content) {
    m_content = std::move(content);
    m_paragraphs = Transcript::paragraphs(m_content.text);
    m_staticTexts.clear();
    m_layout = {};
    rebuildPlainParagraphs();
}

void TranscriptCanvas::layOutAtWidth(int width) {
    int height = 0;
    if (m_content.words.isEmpty()) {
        height = layOutPlainParagraphs(width);
    } else {
        m_layout = layOutTranscript(Transcript::wordGroups(m_content.text, m_content.words),
                                    m_content.caseChoice, m_content.font, m_measurer, width);
        height = qCeil(m_layout.height);
    }
    resize(width, height);
    update();
}

void TranscriptCanvas::rebuildPlainParagraphs() {
    qDeleteAll(m_plainParagraphs);
    m_plainParagraphs.clear();
    if (!m_content.words.isEmpty())
        return;
    QPalette palette;
    palette.setColor(QPalette::WindowText, Theme::white60());
    for (const Paragraph& paragraph : m_paragraphs) {
        auto* label =
            new QLabel(TranscriptCaseChoices::apply(m_content.caseChoice, paragraph.text), this);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setFont(m_content.font);
        label->setPalette(palette);
        label->show();
        m_plainParagraphs.append(label);
    }
}

int TranscriptCanvas::layOutPlainParagraphs(int width) {
    const int contentWidth = std::max(0, width - 2 * int(TranscriptLayout::horizontalPadding));
    int y = int(TranscriptLayout::verticalPadding);
    for (qsizetype p = 0; p < m_plainParagraphs.size(); ++p) {
        QLabel* label = m_plainParagraphs[p];
        if (p > 0)
            y += int(TranscriptLayout::paragraphSpacing);
        const int height = label->text().isEmpty() ? 0 : label->heightForWidth(contentWidth);
        label->setGeometry(int(TranscriptLayout::horizontalPadding), y, contentWidth, height);
        y += height;
    }
    return y + int(TranscriptLayout::verticalPadding);
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

const QStaticText& TranscriptCanvas::staticText(qsizetype word) {
    if (m_staticTexts.size() != m_layout.wordTexts.size())
        m_staticTexts = QList<std::optional<QStaticText>>(m_layout.wordTexts.size());
    std::optional<QStaticText>& text = m_staticTexts[word];
    if (!text) {
        text.emplace(m_layout.wordTexts[word]);
        text->setTextFormat(Qt::PlainText);
        text->setPerformanceHint(QStaticText::AggressiveCaching);
        text->prepare(QTransform(), m_content.font);
    }
    return *text;
}

void TranscriptCanvas::paintEvent(QPaintEvent* event) {
    if (m_layout.wordRects.isEmpty())
        return;
    QPainter painter(this);
    painter.setFont(m_content.font);
    const QRectF dirty = event->rect();
    for (const TranscriptLayout::ParagraphBox& box : m_layout.paragraphs) {
        if (box.rect.bottom() < dirty.top() || box.wordCount == 0)
            continue;
        if (box.rect.top() > dirty.bottom())
            break;
        for (qsizetype w = box.firstWord; w < box.firstWord + box.wordCount; ++w) {
            const QRectF& rect = m_layout.wordRects[w];
            if (!rect.intersects(dirty))
                continue;
            painter.setPen(tierColour(Transcript::tier(w, m_current)));
            painter.drawStaticText(rect.topLeft(), staticText(w));
        }
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
