#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace Parlino {

// The letter case in which the transcript is shown; stored by its raw value (the case name).
enum class TranscriptCaseChoice { preserve, titleCase, allCaps };

namespace TranscriptCaseChoices {

QList<TranscriptCaseChoice> allCases();
QString rawValue(TranscriptCaseChoice choice);
// Exactly a case name; anything else names no choice.
std::optional<TranscriptCaseChoice> fromRawValue(const QString& raw);

// The text as shown in the choice's case, with the user's locale. `preceding` is the character
// shown just before the text, if any: in title case a text that continues a word (a preceding
// character that is not white space) keeps its first letter as it is.
QString apply(TranscriptCaseChoice choice, const QString& text,
              std::optional<char32_t> preceding = std::nullopt);

} // namespace TranscriptCaseChoices

} // namespace Parlino
