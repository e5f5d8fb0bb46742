#include "Base/Base64.h"

namespace Base::Base64 {

namespace {

// The 6-bit value of an alphabet character, or -1.
int sextet(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace

std::optional<QByteArray> decodeStrict(QByteArrayView text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    qsizetype padding = 0;
    if (text.endsWith("=="))
        padding = 2;
    else if (text.endsWith('='))
        padding = 1;

    QByteArray out;
    out.reserve(text.size() / 4 * 3);
    quint32 bits = 0;
    int bitCount = 0;
    for (const char c : text.first(text.size() - padding)) {
        const int value = sextet(c);
        if (value < 0)
            return std::nullopt;
        bits = (bits << 6) | quint32(value);
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            out.append(char((bits >> bitCount) & 0xFF));
        }
    }
    // The bits the padding leaves over are zero in the one encoding of these bytes.
    if ((bits & ((1u << bitCount) - 1)) != 0)
        return std::nullopt;
    return out;
}

} // namespace Base::Base64
