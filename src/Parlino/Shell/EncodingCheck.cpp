#include "Parlino/Shell/EncodingCheck.h"

#include <QStringList>

#include <utility>

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

using Fault = EncodingCheck::Fault;

QString upperHex(char32_t value, int digits) {
    return QStringLiteral("%1").arg(uint(value), digits, 16, QChar(u'0')).toUpper();
}

// A UTF-16 or UTF-32 code unit as the standard names one: "U+D800", or "0x00110000" past
// U+10FFFF, where there is no code point to name.
QString unitName(char32_t unit) {
    return unit > 0x10FFFF ? QStringLiteral("0x") + upperHex(unit, 8)
                           : QStringLiteral("U+") + upperHex(unit, 4);
}

// What comes where a UTF-8 character goes wrong, and why it is none.
QString utf8Words(const Fault& fault) {
    QStringList bytes;
    for (const char32_t byte : fault.units)
        bytes << EncodingCheck::byteName(byte);
    if (fault.kind == Fault::Kind::noCharacter)
        return QStringLiteral("%1, which begins no UTF-8 character").arg(bytes.front());
    const QString why = [&] {
        switch (fault.kind) {
        case Fault::Kind::surrogate:
            return QStringLiteral("would encode a surrogate (U+D800 to U+DFFF), which UTF-8 "
                                  "leaves out");
        case Fault::Kind::overlong:
            return QStringLiteral("would encode a character in more bytes than it takes (an "
                                  "overlong form)");
        case Fault::Kind::pastUnicode:
            return QStringLiteral("would encode a code point past U+10FFFF, the last there is");
        default:
            return QStringLiteral("cannot continue the character that %1 begins")
                .arg(bytes.front());
        }
    }();
    const QString after = fault.kind == Fault::Kind::notContinued
                              ? QString()
                              : QStringLiteral(" after %1").arg(bytes.front());
    return QStringLiteral("%1, which is no UTF-8 character: %2%3 %4")
        .arg(bytes.join(u' '), bytes.back(), after, why);
}

// What comes where a UTF-16 or UTF-32 character goes wrong, and why it is none.
QString unitWords(const Fault& fault) {
    const QString unit = unitName(fault.units.front());
    switch (fault.kind) {
    case Fault::Kind::surrogate:
        return QStringLiteral("%1, a surrogate, which is no character on its own").arg(unit);
    case Fault::Kind::pastUnicode:
        return QStringLiteral("%1, past U+10FFFF, the last code point there is").arg(unit);
    case Fault::Kind::loneLowSurrogate:
        return QStringLiteral("%1, a low surrogate with no high surrogate before it").arg(unit);
    default:
        return QStringLiteral("%1, a high surrogate that %2 after it does not complete")
            .arg(unit, unitName(fault.units.back()));
    }
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
        m_fault = Fault{m_start, Fault::Kind::cutShort, {}};
    return !m_fault;
}

void EncodingCheck::take(uchar byte) {
    if (m_unitBytes == 0 && m_awaiting == 0 && !m_highSurrogate)
        m_start = m_next;
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
        m_utf8[0] = byte;
        m_utf8Length = 1;
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
            wrong(Fault::Kind::noCharacter, {byte});
        }
        return;
    }
    m_utf8[m_utf8Length++] = byte;
    if (byte < m_lowest || byte > m_highest)
        return wrong(brokenBy(byte),
                     QList<char32_t>(m_utf8.begin(), m_utf8.begin() + m_utf8Length));
    m_lowest = 0x80;
    m_highest = 0xBF;
    m_value = (m_value << 6) | (byte & 0x3F);
    if (--m_awaiting == 0)
        complete(m_value);
}

// Why `byte` cannot continue the UTF-8 character begun: it is no continuation byte, or it is
// one that, right after the first byte, makes the character one that UTF-8 leaves out.
EncodingCheck::Fault::Kind EncodingCheck::brokenBy(uchar byte) const {
    if (byte < 0x80 || byte > 0xBF)
        return Fault::Kind::notContinued;
    switch (m_utf8[0]) {
    case 0xED:
        return Fault::Kind::surrogate;
    case 0xF4:
        return Fault::Kind::pastUnicode;
    default: // 0xE0, 0xF0
        return Fault::Kind::overlong;
    }
}

void EncodingCheck::takeUnit(char32_t unit) {
    if (m_unitSize == 4) {
        if (unit > 0x10FFFF)
            return wrong(Fault::Kind::pastUnicode, {unit});
        if (isHighSurrogate(unit) || isLowSurrogate(unit))
            return wrong(Fault::Kind::surrogate, {unit});
        return complete(unit);
    }
    if (m_highSurrogate) {
        const char32_t high = std::exchange(m_highSurrogate, 0);
        if (!isLowSurrogate(unit))
            return wrong(Fault::Kind::unpairedHighSurrogate, {high, unit});
        return complete(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
    }
    if (isHighSurrogate(unit))
        m_highSurrogate = unit;
    else if (isLowSurrogate(unit))
        wrong(Fault::Kind::loneLowSurrogate, {unit});
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

void EncodingCheck::wrong(Fault::Kind kind, QList<char32_t> units) {
    m_fault = Fault{m_start, kind, std::move(units)};
}

QString EncodingCheck::byteName(char32_t byte) {
    return QStringLiteral("0x") + upperHex(byte, 2);
}

QString EncodingCheck::faultDescription() const {
    if (!m_fault)
        return {};
    const Fault& fault = *m_fault;
    const QString place = QStringLiteral("byte %1 (line %2, column %3)")
                              .arg(fault.place.byte)
                              .arg(fault.place.line)
                              .arg(fault.place.column);
    if (fault.kind == Fault::Kind::cutShort)
        return QStringLiteral("it ends inside a character begun at %1").arg(place);
    return QStringLiteral("at %1 comes %2")
        .arg(place, m_unitSize == 1 ? utf8Words(fault) : unitWords(fault));
}

} // namespace Parlino
