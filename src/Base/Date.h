#pragma once

#include <QDateTime>

#include <compare>

namespace Base {

// A point in time as the stores write it: seconds since 2001-01-01 00:00:00 UTC.
struct Date {
    // Seconds between the Unix epoch and 2001-01-01 00:00:00 UTC.
    static constexpr double unixOffset = 978307200.0;

    double secondsSinceReferenceDate = 0;

    static Date now();
    static Date fromUnixSeconds(double seconds) { return {seconds - unixOffset}; }
    static Date fromDateTime(const QDateTime& dateTime);

    double unixSeconds() const { return secondsSinceReferenceDate + unixOffset; }
    // Millisecond precision; a date outside QDateTime's range gives an invalid QDateTime.
    QDateTime toDateTime() const;

    friend bool operator==(const Date&, const Date&) = default;
    friend auto operator<=>(const Date&, const Date&) = default;
};

} // namespace Base
