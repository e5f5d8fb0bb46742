#pragma once

#include "Core/WordTiming.h"

#include <QList>
#include <QString>

#include <optional>

namespace Parlino {

// One line of the transcript: its position from 0, its text without the line feed, and the
// UTF-16 offset of its first character in the whole text.
struct Paragraph {
    qsizetype id = 0;
    QString text;
    qsizetype utf16Offset = 0;

    friend bool operator==(const Paragraph&, const Paragraph&) = default;
};

// How a word is shown against the playback position.
enum class WordTier { upcoming, spoken, current };

// Where the current word stands against one paragraph: none of its words spoken yet, all of
// them spoken, or inside it at a position. Two states are equal only in the same form and,
// inside, at the same position.
struct ParagraphHighlight {
    enum class Form { ahead, passed, inside };
    Form form = Form::ahead;
    qsizetype position = 0;

    static ParagraphHighlight of(qsizetype baseGlobalIndex, qsizetype wordCount,
                                 std::optional<qsizetype> currentWordIndex);

    friend bool operator==(const ParagraphHighlight&, const ParagraphHighlight&) = default;
};

// A closed range of global word indices.
struct WordRange {
    qsizetype first = 0;
    qsizetype last = 0;

    friend bool operator==(const WordRange&, const WordRange&) = default;
};

// The pure rules of the highlighted transcript.
namespace Transcript {

// Splits at every line feed; consecutive line feeds give empty paragraphs, and an empty text
// one empty paragraph.
QList<Paragraph> paragraphs(const QString& text);

// The paragraph of a word starting at `lower` when the word before it went to paragraph
// `current` (0 for the first word). Words are assigned in order and the search never goes back:
// a word that starts before the current paragraph stays in it, and a word past the last
// paragraph's start belongs to the last one.
qsizetype paragraphOfWord(const QList<Paragraph>& paragraphs, qsizetype current, qint64 lower);

WordTier tier(qsizetype globalIndex, std::optional<qsizetype> currentWordIndex);

// The words whose tier differs between two current words; none when nothing changes.
std::optional<WordRange> changedWords(std::optional<qsizetype> before,
                                      std::optional<qsizetype> after);

} // namespace Transcript

} // namespace Parlino
