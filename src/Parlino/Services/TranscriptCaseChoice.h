#pragma once

#include "Base/StringEnum.h"

namespace Parlino {

// The letter case in which the transcript is shown; stored by its raw value (the case name).
enum class TranscriptCaseChoice { preserve, titleCase, allCaps };

namespace TranscriptCaseChoices {

// Titled as the appearance settings list them.
inline constexpr auto table = Base::stringEnum<TranscriptCaseChoice>({
    {TranscriptCaseChoice::preserve, u"preserve", u"Preserve"},
    {TranscriptCaseChoice::titleCase, u"titleCase", u"Title Case"},
    {TranscriptCaseChoice::allCaps, u"allCaps", u"ALL CAPS"},
});

inline QList<TranscriptCaseChoice> allCases() {
    return table.allCases();
}
inline QString rawValue(TranscriptCaseChoice choice) {
    return table.rawValue(choice);
}
// Exactly a case name; anything else names no choice.
inline std::optional<TranscriptCaseChoice> fromRawValue(const QString& raw) {
    return table.fromRawValue(raw);
}

// The text as shown in the choice's case, with the user's locale. `preceding` is the character
// shown just before the text, if any: in title case a text that continues a word (a preceding
// character that is not white space) keeps its first letter as it is.
QString apply(TranscriptCaseChoice choice, const QString& text,
              std::optional<char32_t> preceding = std::nullopt);

} // namespace TranscriptCaseChoices

} // namespace Parlino
