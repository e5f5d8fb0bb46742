#pragma once

#include "Parlino/Panel/PlainTranscriptLayout.h"
#include "Parlino/Panel/TranscriptLayout.h"

#include <QHash>
#include <QList>
#include <QRegion>
#include <QStaticText>
#include <QWidget>

#include <functional>
#include <optional>

class QTextEdit;
class QPainter;

namespace Parlino {

class TextMeasurer;

// The scrolled content of the transcript. With word timings it paints every word as a chip
// coloured by its tier, from a layout kept until the width, font, case or words change; words
// added after the others are laid out after them, and a move of the current word repaints only
// the chips whose tier changed. Without timings it shows the paragraphs as selectable plain
// text, with views only for the blocks near the visible band, so that a text of any length
// stays quick to show. The words are the owner's list, read where it stands rather than copied,
// so that it grows in place while a read is synthesised.
class TranscriptCanvas final : public QWidget {
public:
    TranscriptCanvas(const TextMeasurer& measurer, const Core::TimedWords& words,
                     QWidget* parent = nullptr);
    TranscriptCanvas(const TextMeasurer&, Core::TimedWords&&, QWidget* = nullptr) = delete;

    // The words are the ones given at construction, as they stand when the content is set.
    struct Content {
        QString text;
        TranscriptCaseChoice caseChoice = TranscriptCaseChoice::preserve;
        QFont font;
    };
    // Takes new content; it shows once laid out.
    void setContent(Content content);
    // Lays the content out at `width` and takes the height it needs; nothing to do when the
    // content is laid out at that width already.
    void layOutAtWidth(int width);
    // The part of the canvas the scroll area shows, from `top` down `height` pixels.
    void setVisibleBand(int top, int height);

    // Moves the highlight and schedules the repaint of what changed, which it returns.
    QRegion setCurrentWordIndex(std::optional<qsizetype> index);
    std::optional<qsizetype> currentWordIndex() const { return m_current; }

    const TranscriptLayout& transcriptLayout() const { return m_layout; }
    // The text shown, its paragraphs joined by line feeds.
    const QString& text() const { return m_content.text; }
    const QList<Paragraph>& paragraphs() const { return m_paragraphs; }
    const PlainTranscriptLayout& plainLayout() const { return m_plain; }
    const Core::TimedWords& words() const { return m_words; }

    std::function<void(qsizetype)> onWordTap;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void clearPlainBlocks();
    void showPlainBand();
    QTextEdit* plainBlock(qsizetype block);
    int plainContentWidth() const;
    // A chip's text, ready to draw, and how far it reaches above its baseline.
    struct PreparedText {
        QStaticText text;
        qreal ascent = 0;
    };
    PreparedText prepared(const QString& shown, bool rightToLeft) const;
    const PreparedText& staticText(qsizetype word);
    static void paintChip(QPainter& painter, const QRectF& rect, qreal baseline,
                          const PreparedText& text);

    const TextMeasurer& m_measurer;
    const Core::TimedWords& m_words;
    Content m_content;
    // The words as the last content found them: their number and the last of them.
    qsizetype m_wordCount = 0;
    Core::WordTiming m_lastWord;
    QList<Paragraph> m_paragraphs;
    TranscriptLayout m_layout;
    static constexpr qsizetype preparedWordLimit = 4096;
    QHash<qsizetype, PreparedText> m_staticTexts; // by word, for the words painted lately
    PlainTranscriptLayout m_plain;
    QHash<qsizetype, QTextEdit*> m_plainBlocks; // by block
    int m_bandTop = 0;
    int m_bandHeight = 0;
    std::optional<qsizetype> m_current;
    std::optional<qsizetype> m_pressedWord;
    bool m_appending = false;
    std::optional<int> m_laidOutWidth; // none until the content is laid out
};

} // namespace Parlino
