#pragma once

#include "Core/WordTiming.h"

#include <QList>
#include <QStringList>

namespace TTS::WordMapper {

// Turns the service's character alignment (one entry per character with its start and end time)
// into word timings with UTF-16 ranges relative to the concatenated characters. Words are runs of
// visible characters between white space; each CJK ideograph or kana is a word of its own, and
// a run of a script written without spaces (Thai…) is split into its dictionary words. Arrays of
// unequal length give no words.
QList<Core::WordTiming> words(const QStringList& characters, const QList<double>& startTimes,
                              const QList<double>& endTimes);

// The words the service's alignment of `text` gives, one entry per character, all at time 0:
// where a text's word chips will fall before its timings are known.
QList<Core::WordTiming> words(QStringView text);

} // namespace TTS::WordMapper
