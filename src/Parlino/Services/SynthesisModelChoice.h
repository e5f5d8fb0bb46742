#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace Parlino {

// The synthesis model chosen in the settings; stored by its raw value (the case name).
enum class SynthesisModelChoice { flash, multilingual };

namespace SynthesisModelChoices {

QList<SynthesisModelChoice> allCases();

QString rawValue(SynthesisModelChoice choice);
// Exactly "flash" or "multilingual"; anything else names no choice.
std::optional<SynthesisModelChoice> fromRawValue(const QString& raw);
// The choice a stored setting makes for new reads: a value that names no choice is flash.
SynthesisModelChoice fromStoredValue(const QString& raw);

// The service's model identifier: "eleven_flash_v2_5" or "eleven_multilingual_v2".
QString modelID(SynthesisModelChoice choice);
// The reverse mapping, by plain string equality; any other identifier names no choice.
std::optional<SynthesisModelChoice> fromModelID(const QString& modelID);

// The model's name in exported transcripts: "Flash" or "Multilingual v2".
QString transcriptName(SynthesisModelChoice choice);
// The model's label in the playback settings.
QString settingsLabel(SynthesisModelChoice choice);

} // namespace SynthesisModelChoices

} // namespace Parlino
