#pragma once

#include <QString>

namespace Parlino {

// A time in seconds as "m:ss", rounded to the nearest second (halves away from zero), with no
// hours field and no locale. Negative and not-a-number inputs read "0:00"; inputs too large
// for a 64-bit count of seconds are capped to it.
QString formatMinutesSeconds(double seconds);

} // namespace Parlino
