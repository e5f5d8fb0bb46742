#pragma once

#include "Base/Date.h"

#include <QByteArrayView>

#include <optional>

// The wait a "Retry-After" header of the service asks for before the next request.
namespace TTS::RetryAfter {

// The longest wait taken from an answer: far beyond any retry budget, and finite however many
// digits the answer has.
inline constexpr double longestWait = 1.0e9;

// The seconds that `value` asks to wait from `now`: a number of seconds, or an HTTP date in its
// preferred form ("Sun, 06 Nov 1994 08:49:37 GMT") or an obsolete one ("Sunday, 06-Nov-94
// 08:49:37 GMT", "Sun Nov  6 08:49:37 1994"); a date already past asks for no wait. Of several
// values, as the network stack joins repeated headers ("6, 6"), the first valid one counts.
// Nothing when none is valid.
std::optional<double> seconds(QByteArrayView value, Base::Date now);

} // namespace TTS::RetryAfter
