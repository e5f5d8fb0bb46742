#pragma once

#include <QByteArrayView>
#include <QStringConverter>

#include <optional>

namespace Parlino::UnmarkedEncoding {

// How many of an input's first bytes `detect` looks at.
inline constexpr qsizetype sampleSize = 4096;

// UTF-16 or UTF-32, in either byte order, written without a byte-order mark, as `sample` (the
// input's first sampleSize bytes, or all of them when it is shorter) shows it: at least three
// quarters of its code units are characters of the first scripts (U+0001 to U+1FFF: the Latin,
// Greek, Cyrillic, Hebrew, Arabic and Indic ones among them), whose high bytes are NUL or another
// control byte. No UTF-8 text has a control byte in so many even or odd places: line breaks and
// tabs alone are not taken for such characters. None when the sample is not so.
std::optional<QStringConverter::Encoding> detect(QByteArrayView sample);

} // namespace Parlino::UnmarkedEncoding
