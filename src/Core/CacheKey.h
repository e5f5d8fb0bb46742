#pragma once

#include "Core/ReadTypes.h"

#include <QString>

namespace Core::CacheKey {

// The key of a whole read's synthesised audio: the lower-case hex SHA-256 of the text, provider,
// voice, model and output format joined by U+001F. Changes whenever the audio would.
QString make(const QString& text, const VoiceID& voice, const SynthesisSettings& settings);

} // namespace Core::CacheKey
