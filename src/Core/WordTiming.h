#pragma once

#include "Base/Json.h"

#include <QList>
#include <QString>

namespace Core {

// One spoken word: its text, its UTF-16 range [lower, upper) and its times in seconds.
struct WordTiming {
    struct Range {
        qint64 lower = 0;
        qint64 upper = 0;
        friend bool operator==(const Range&, const Range&) = default;
    };

    QString word;
    Range range;
    double start = 0;
    double end = 0;

    friend bool operator==(const WordTiming&, const WordTiming&) = default;

    // {"word": …, "range": [lower, upper], "start": …, "end": …}
    Base::Json::Value toJson() const;
    // Requires all four keys; a range whose lower bound exceeds its upper bound is corrupt.
    static Base::Json::Read<WordTiming> fromJson(const Base::Json::Value& json);
};

Base::Json::Value toJson(const QList<WordTiming>& words);
Base::Json::Read<QList<WordTiming>> wordTimingsFromJson(const Base::Json::Value& json);

} // namespace Core

// A read's words run to hundreds of thousands: a list of them grows in place, without moving
// each word over to a new block and holding both blocks meanwhile.
Q_DECLARE_TYPEINFO(Core::WordTiming, Q_RELOCATABLE_TYPE);
