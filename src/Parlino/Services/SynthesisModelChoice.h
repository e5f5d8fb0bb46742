#pragma once

#include "Base/StringEnum.h"
#include "Parlino/Storage/TranscriptModel.h"

namespace Parlino {

// The synthesis model chosen in the settings; stored by its raw value (the case name).
enum class SynthesisModelChoice { flash, multilingual };

namespace SynthesisModelChoices {

// Titled with the model's label in the playback settings.
inline constexpr auto table = Base::stringEnum<SynthesisModelChoice>({
    {SynthesisModelChoice::flash, u"flash", u"Flash — faster, half the credits"},
    {SynthesisModelChoice::multilingual, u"multilingual",
     u"Multilingual v2 — highest quality, 2× the credits"},
});

inline QList<SynthesisModelChoice> allCases() {
    return table.allCases();
}
inline QString rawValue(SynthesisModelChoice choice) {
    return table.rawValue(choice);
}
// Exactly "flash" or "multilingual"; anything else names no choice.
inline std::optional<SynthesisModelChoice> fromRawValue(const QString& raw) {
    return table.fromRawValue(raw);
}
// The choice a stored setting makes for new reads: a value that names no choice is flash.
SynthesisModelChoice fromStoredValue(const QString& raw);

// The service's model identifier: "eleven_flash_v2_5" or "eleven_multilingual_v2".
QString modelID(SynthesisModelChoice choice);
// The reverse mapping, by plain string equality; any other identifier names no choice.
std::optional<SynthesisModelChoice> fromModelID(const QString& modelID);

// The model's name in exported transcripts: "Flash" or "Multilingual v2".
QString transcriptName(SynthesisModelChoice choice);

// Every choice as exported transcripts name and price it: flash costs half a credit per
// character, multilingual a whole one.
QList<TranscriptModel> transcriptModels();

} // namespace SynthesisModelChoices

} // namespace Parlino
