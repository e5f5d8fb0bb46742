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

// UTF-16, in either byte order, written without a byte-order mark, of a script whose characters
// share their high byte, as kana do, as `sample` shows it. Such text is no UTF-8, or UTF-8 that
// reads as nonsense: "あなた" is "B0j0_0". The sample (as for `detect`) holds at least 8 code
// units that are no Latin-1 characters (whose high byte is NUL); three quarters of those are
// letters whose high byte is one and the same, an ASCII letter or digit; no low byte stands for
// more than a third of them, as in the varied characters of a text; and fewer than half of their
// low bytes are hexadecimal digits. No ASCII text that reads as words has one letter or digit in
// so many even or odd places and varied characters between, and hexadecimal numbers ("0a0b0c",
// "102030") have digits between. None when the sample is not so.
std::optional<QStringConverter::Encoding> detectSharedHighByte(QByteArrayView sample);

} // namespace Parlino::UnmarkedEncoding
