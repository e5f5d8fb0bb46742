#include "Parlino/Shell/UnmarkedEncoding.h"

#include <QChar>

#include <algorithm>
#include <array>

namespace Parlino::UnmarkedEncoding {

namespace {

struct Candidate {
    QStringConverter::Encoding encoding;
    qsizetype unitSize;
    bool bigEndian;
};

constexpr std::array candidates{
    Candidate{QStringConverter::Utf32LE, 4, false},
    Candidate{QStringConverter::Utf32BE, 4, true},
    Candidate{QStringConverter::Utf16LE, 2, false},
    Candidate{QStringConverter::Utf16BE, 2, true},
};

char32_t unitAt(QByteArrayView sample, qsizetype start, const Candidate& candidate) {
    char32_t unit = 0;
    for (qsizetype i = 0; i < candidate.unitSize; ++i) {
        const qsizetype byte = candidate.bigEndian ? i : candidate.unitSize - 1 - i;
        unit = (unit << 8) | uchar(sample[start + byte]);
    }
    return unit;
}

// A character of the first scripts, but not one whose two bytes are both control bytes, as a
// run of line breaks, tabs or NULs in UTF-8 would be.
bool isEarlyScriptCharacter(char32_t unit) {
    return unit != 0 && unit < 0x2000 && (unit < 0x100 || (unit & 0xFF) >= 0x20);
}

bool fits(QByteArrayView sample, const Candidate& candidate) {
    const qsizetype units = sample.size() / candidate.unitSize;
    qsizetype early = 0;
    for (qsizetype unit = 0; unit < units; ++unit)
        early += isEarlyScriptCharacter(unitAt(sample, unit * candidate.unitSize, candidate));
    return units > 0 && 4 * early >= 3 * units;
}

bool isHexDigit(char32_t byte) {
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'F') ||
           (byte >= 'a' && byte <= 'f');
}

bool isAsciiLetterOrDigit(char32_t byte) {
    return isHexDigit(byte) || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

bool sharesHighByte(QByteArrayView sample, const Candidate& candidate) {
    std::array<qsizetype, 256> lettersByHighByte{};
    std::array<qsizetype, 256> unitsByLowByte{};
    qsizetype counted = 0;
    qsizetype hexLowBytes = 0;
    for (qsizetype at = 0; at + candidate.unitSize <= sample.size(); at += candidate.unitSize) {
        const char32_t unit = unitAt(sample, at, candidate);
        if (unit < 0x100)
            continue;
        ++counted;
        ++unitsByLowByte[unit & 0xFF];
        hexLowBytes += isHexDigit(unit & 0xFF);
        if (QChar::isLetter(unit))
            ++lettersByHighByte[unit >> 8];
    }
    const auto shared = std::ranges::max_element(lettersByHighByte);
    const auto highByte = char32_t(shared - lettersByHighByte.begin());
    return counted >= 8 && isAsciiLetterOrDigit(highByte) && 4 * *shared >= 3 * counted &&
           3 * std::ranges::max(unitsByLowByte) <= counted && 2 * hexLowBytes < counted;
}

QByteArrayView sampleOf(QByteArrayView input) {
    return input.first(std::min(input.size(), sampleSize));
}

} // namespace

std::optional<QStringConverter::Encoding> detect(QByteArrayView sample) {
    // No sample fits two: where three quarters of the units of one size and byte order are
    // such characters, those of any other are not.
    for (const Candidate& candidate : candidates)
        if (fits(sampleOf(sample), candidate))
            return candidate.encoding;
    return std::nullopt;
}

std::optional<QStringConverter::Encoding> detectSharedHighByte(QByteArrayView sample) {
    for (const Candidate& candidate : candidates)
        if (candidate.unitSize == 2 && sharesHighByte(sampleOf(sample), candidate))
            return candidate.encoding;
    return std::nullopt;
}

} // namespace Parlino::UnmarkedEncoding
