#include "Parlino/Shell/UnmarkedEncoding.h"

#include <algorithm>
#include <array>

namespace Parlino::UnmarkedEncoding {

namespace {

struct Candidate {
    QStringConverter::Encoding encoding;
    qsizetype unitSize;
    bool bigEndian;
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

} // namespace

std::optional<QStringConverter::Encoding> detect(QByteArrayView sample) {
    // No sample fits two: where three quarters of the units of one size and byte order are
    // such characters, those of any other are not.
    static constexpr std::array candidates{
        Candidate{QStringConverter::Utf32LE, 4, false},
        Candidate{QStringConverter::Utf32BE, 4, true},
        Candidate{QStringConverter::Utf16LE, 2, false},
        Candidate{QStringConverter::Utf16BE, 2, true},
    };
    const QByteArrayView start = sample.first(std::min(sample.size(), sampleSize));
    for (const Candidate& candidate : candidates)
        if (fits(start, candidate))
            return candidate.encoding;
    return std::nullopt;
}

} // namespace Parlino::UnmarkedEncoding
