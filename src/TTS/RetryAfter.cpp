#include "TTS/RetryAfter.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QTimeZone>

#include <algorithm>
#include <array>

namespace TTS::RetryAfter {

namespace {

using Words = QList<QByteArray>;

constexpr std::array<QByteArrayView, 7> shortDayNames{"Mon", "Tue", "Wed", "Thu",
                                                      "Fri", "Sat", "Sun"};
constexpr std::array<QByteArrayView, 7> longDayNames{"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                     "Friday", "Saturday", "Sunday"};
constexpr std::array<QByteArrayView, 12> monthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

template <size_t N> bool isOneOf(QByteArrayView word, const std::array<QByteArrayView, N>& names) {
    return std::find(names.begin(), names.end(), word) != names.end();
}

bool isDayName(QByteArrayView word) {
    return isOneOf(word, shortDayNames) || isOneOf(word, longDayNames);
}

// A number of `minDigits` to `maxDigits` decimal digits and nothing else.
std::optional<int> number(QByteArrayView digits, qsizetype minDigits, qsizetype maxDigits) {
    if (digits.size() < minDigits || digits.size() > maxDigits)
        return std::nullopt;
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<int> month(QByteArrayView name) {
    const auto found = std::find(monthNames.begin(), monthNames.end(), name);
    if (found == monthNames.end())
        return std::nullopt;
    return int(found - monthNames.begin()) + 1;
}

// "08:49:37"
std::optional<QTime> timeOfDay(QByteArrayView text) {
    if (text.size() != 8 || text[2] != ':' || text[5] != ':')
        return std::nullopt;
    const auto hours = number(text.sliced(0, 2), 2, 2);
    const auto minutes = number(text.sliced(3, 2), 2, 2);
    const auto seconds = number(text.sliced(6, 2), 2, 2);
    if (!hours || !minutes || !seconds)
        return std::nullopt;
    const QTime time(*hours, *minutes, *seconds);
    return time.isValid() ? std::optional(time) : std::nullopt;
}

std::optional<Base::Date> utc(std::optional<int> year, std::optional<int> month,
                              std::optional<int> day, QByteArrayView time) {
    const auto clock = timeOfDay(time);
    if (!year || !month || !day || !clock)
        return std::nullopt;
    const QDate date(*year, *month, *day);
    if (!date.isValid())
        return std::nullopt;
    return Base::Date::fromDateTime(QDateTime(date, *clock, QTimeZone::utc()));
}

// "06-Nov-94" at `time`: the year of this century, unless that puts the date more than 50 years
// ahead, which stands for the latest such year past.
std::optional<Base::Date> dateWithTwoDigitYear(const QByteArray& dayMonthYear, QByteArrayView time,
                                               Base::Date now) {
    const Words parts = dayMonthYear.split('-');
    const QDateTime today = now.toDateTime();
    if (parts.size() != 3 || !today.isValid())
        return std::nullopt;
    const auto twoDigits = number(parts[2], 2, 2);
    if (!twoDigits)
        return std::nullopt;
    const int thisYear = today.date().year();
    const auto dateIn = [&](int year) {
        return utc(year, month(parts[1]), number(parts[0], 2, 2), time);
    };
    const int year = thisYear - thisYear % 100 + *twoDigits;
    const auto date = dateIn(year);
    if (date && *date > Base::Date::fromDateTime(today.addYears(50)))
        return dateIn(year - 100);
    return date;
}

// What follows the day name and its comma: "06 Nov 1994 08:49:37 GMT" or "06-Nov-94 08:49:37 GMT".
std::optional<Base::Date> dateAfterDayName(const Words& words, Base::Date now) {
    if (words.size() == 5 && words[4] == "GMT")
        return utc(number(words[2], 4, 4), month(words[1]), number(words[0], 2, 2), words[3]);
    if (words.size() == 3 && words[2] == "GMT")
        return dateWithTwoDigitYear(words[0], words[1], now);
    return std::nullopt;
}

// "Sun Nov  6 08:49:37 1994"
std::optional<Base::Date> asctimeDate(const Words& words) {
    if (words.size() != 5 || !isOneOf(words[0], shortDayNames))
        return std::nullopt;
    return utc(number(words[4], 4, 4), month(words[1]), number(words[2], 1, 2), words[3]);
}

std::optional<double> delaySeconds(QByteArrayView digits) {
    if (digits.isEmpty())
        return std::nullopt;
    double seconds = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        seconds = std::min(seconds * 10 + (c - '0'), longestWait);
    }
    return seconds;
}

double waitUntil(Base::Date date, Base::Date now) {
    return std::clamp(date.secondsSinceReferenceDate - now.secondsSinceReferenceDate, 0.0,
                      longestWait);
}

Words words(const QByteArray& text) {
    return text.simplified().split(' ');
}

} // namespace

// The value is cut at every comma, the comma after a date's day name included; that day name
// is joined again with the piece after it.
std::optional<double> seconds(QByteArrayView value, Base::Date now) {
    const Words pieces = value.toByteArray().split(',');
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const QByteArray piece = pieces[i].trimmed();
        if (const auto delay = delaySeconds(piece))
            return delay;
        if (const auto date = asctimeDate(words(piece)))
            return waitUntil(*date, now);
        if (isDayName(piece) && i + 1 < pieces.size()) {
            if (const auto date = dateAfterDayName(words(pieces[i + 1]), now))
                return waitUntil(*date, now);
        }
    }
    return std::nullopt;
}

} // namespace TTS::RetryAfter
