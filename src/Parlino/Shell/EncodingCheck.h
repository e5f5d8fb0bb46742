#pragma once

#include <QByteArrayView>
#include <QStringConverter>

#include <optional>

namespace Parlino {

// Follows the bytes of a text in UTF-8, UTF-16 or UTF-32 as they come, and finds the first
// character that is none of that encoding, or one that the bytes end inside: where it begins, as
// an editor shows it.
class EncodingCheck {
public:
    struct Place {
        qint64 byte = 1;   // from 1, counting every byte of the input before it
        qint64 line = 1;   // from 1
        qint64 column = 1; // from 1, in characters
        friend bool operator==(const Place&, const Place&) = default;
    };
    struct Fault {
        Place place;
        uchar firstByte = 0;
        bool atEnd = false; // the input ends inside the character
        friend bool operator==(const Fault&, const Fault&) = default;
    };

    // `encoding`: UTF-8, or UTF-16 or UTF-32 in either byte order. `skipped`: the bytes of the
    // input before those followed (its byte-order mark).
    explicit EncodingCheck(QStringConverter::Encoding encoding, qint64 skipped = 0);

    // Follows the next bytes of the input; false once a fault is found (what follows it is not
    // looked at).
    bool feed(QByteArrayView bytes);
    // The input ends: false when it ends inside a character, or had a fault before.
    bool finish();
    const std::optional<Fault>& fault() const { return m_fault; }

private:
    void take(uchar byte);
    void takeUtf8(uchar byte);
    void takeUnit(char32_t unit);
    void complete(char32_t scalar);
    void wrong();

    qsizetype m_unitSize;
    bool m_bigEndian;
    qint64 m_bytes;
    Place m_next;  // where the next character begins
    Place m_start; // where the character being read began
    uchar m_firstByte = 0;
    // The character being read: the bytes of the unit so far, the UTF-8 continuation bytes still
    // awaited and the range of the next, a UTF-16 high surrogate waiting for its low one.
    char32_t m_unit = 0;
    qsizetype m_unitBytes = 0;
    int m_awaiting = 0;
    uchar m_lowest = 0x80;
    uchar m_highest = 0xBF;
    char32_t m_value = 0;
    char32_t m_highSurrogate = 0;
    std::optional<Fault> m_fault;
};

} // namespace Parlino
