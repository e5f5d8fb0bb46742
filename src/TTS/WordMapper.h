#pragma once

#include "Core/WordTiming.h"

#include <QList>
#include <QStringList>

namespace TTS::WordMapper {

// Turns the service's character alignment (one entry per character with its start and end time)
// into word timings with UTF-16 ranges relative to the concatenated characters. Words are runs of
// visible characters between white space; each CJK ideograph or kana is a word of its own.
// Arrays of unequal length give no words.
QList<Core::WordTiming> words(const QStringList& characters, const QList<double>& startTimes,
                              const QList<double>& endTimes);

} // namespace TTS::WordMapper
