#include "Parlino/Shell/EncodingCheck.h"

namespace Parlino {

namespace {

bool isBigEndian(QStringConverter::Encoding encoding) {
    return encoding == QStringConverter::Utf16BE || encoding == QStringConverter::Utf32BE;
}

qsizetype unitSize(QStringConverter::Encoding encoding) {
    switch (encoding) {
    case QStringConverter::Utf16LE:
    case QStringConverter::Utf16BE:
        return 2;
    case QStringConverter::Utf32LE:
    case QStringConverter::Utf32BE:
        return 4;
    default:
        return 1;
    }
}

bool isHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

EncodingCheck::EncodingCheck(QStringConverter::Encoding encoding, qint64 skipped)
    : m_unitSize(unitSize(encoding)), m_bigEndian(isBigEndian(encoding)),
      m_bytes(skipped), m_next{skipped + 1, 1, 1}, m_start(m_next) {}

bool EncodingCheck::feed(QByteArrayView bytes) {
    for (const char byte : bytes) {
        if (m_fault)
            break;
        take(uchar(byte));
    }
    return !m_fault;
}

bool EncodingCheck::finish() {
    if (!m_fault && (m_unitBytes > 0 || m_awaiting > 0 || m_highSurrogate))
        m_fault = Fault{m_start, m_firstByte, true};
    return !m_fault;
}

void EncodingCheck::take(uchar byte) {
    if (m_unitBytes == 0 && m_awaiting == 0 && !m_highSurrogate) {
        m_start = m_next;
        m_firstByte = byte;
    }
    ++m_bytes;
    if (m_unitSize == 1)
        return takeUtf8(byte);
    m_unit = m_bigEndian ? (m_unit << 8) | byte : m_unit | (char32_t(byte) << (8 * m_unitBytes));
    if (++m_unitBytes < m_unitSize)
        return;
    const char32_t unit = m_unit;
    m_unit = 0;
    m_unitBytes = 0;
    takeUnit(unit);
}

// The well-formed byte sequences of the Unicode standard (its table 3-7): no overlong forms, no
// surrogates, nothing past U+10FFFF.
void EncodingCheck::takeUtf8(uchar byte) {
    if (m_awaiting == 0) {
        if (byte < 0x80)
            return complete(byte);
        if (byte >= 0xC2 && byte <= 0xDF) {
            m_awaiting = 1;
            m_value = byte & 0x1F;
        } else if (byte >= 0xE0 && byte <= 0xEF) {
            m_awaiting = 2;
            m_value = byte & 0x0F;
            m_lowest = byte == 0xE0 ? 0xA0 : 0x80;
            m_highest = byte == 0xED ? 0x9F : 0xBF;
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            m_awaiting = 3;
            m_value = byte & 0x07;
            m_lowest = byte == 0xF0 ? 0x90 : 0x80;
            m_highest = byte == 0xF4 ? 0x8F : 0xBF;
        } else {
            wrong();
        }
        return;
    }
    if (byte < m_lowest || byte > m_highest)
        return wrong();
    m_lowest = 0x80;
    m_highest = 0xBF;
    m_value = (m_value << 6) | (byte & 0x3F);
    if (--m_awaiting == 0)
        complete(m_value);
}

void EncodingCheck::takeUnit(char32_t unit) {
    if (m_unitSize == 4)
        return unit > 0x10FFFF || isHighSurrogate(unit) || isLowSurrogate(unit) ? wrong()
                                                                                : complete(unit);
    if (m_highSurrogate) {
        if (!isLowSurrogate(unit))
            return wrong();
        const char32_t high = m_highSurrogate;
        m_highSurrogate = 0;
        return complete(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
    }
    if (isHighSurrogate(unit))
        m_highSurrogate = unit;
    else if (isLowSurrogate(unit))
        wrong();
    else
        complete(unit);
}

void EncodingCheck::complete(char32_t scalar) {
    m_next.byte = m_bytes + 1;
    if (scalar == u'\n') {
        ++m_next.line;
        m_next.column = 1;
    } else {
        ++m_next.column;
    }
}

void EncodingCheck::wrong() {
    m_fault = Fault{m_start, m_firstByte, false};
}

} // namespace Parlino
