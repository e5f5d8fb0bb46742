#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringConverter>

#include <array>
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
        enum class Kind {
            noCharacter,           // a UTF-8 byte that begins no character
            notContinued,          // a UTF-8 character broken by a byte that cannot continue it
            surrogate,             // a surrogate encoded in UTF-8 or UTF-32
            overlong,              // a UTF-8 character in more bytes than it takes
            pastUnicode,           // a code point past U+10FFFF
            loneLowSurrogate,      // a UTF-16 low surrogate with no high one before it
            unpairedHighSurrogate, // a UTF-16 high surrogate that the next unit does not complete
            cutShort,              // the input ends inside the character
        };
        Place place; // where the character begins
        Kind kind = Kind::noCharacter;
        // What makes it none: in UTF-8 its bytes up to the one that breaks it (only the first
        // two where they make an encoded surrogate, an overlong form or a code point past
        // U+10FFFF); in UTF-16 and UTF-32 the code unit that is none, after the high surrogate
        // it follows. Empty when the input ends inside the character.
        QList<char32_t> units;
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
    // The fault in words, after the name of the encoding followed: "at byte 2 (line 1, column
    // 2) comes 0xED 0xA0, which is no UTF-8 character: 0xA0 after 0xED would encode a surrogate
    // …"; empty while there is none.
    QString faultDescription() const;

    // A byte as a hex editor shows it: "0xED".
    static QString byteName(char32_t byte);

private:
    void take(uchar byte);
    void takeUtf8(uchar byte);
    void takeUnit(char32_t unit);
    void complete(char32_t scalar);
    void wrong(Fault::Kind kind, QList<char32_t> units);
    Fault::Kind brokenBy(uchar byte) const;

    qsizetype m_unitSize;
    bool m_bigEndian;
    qint64 m_bytes;
    Place m_next;  // where the next character begins
    Place m_start; // where the character being read began
    // The character being read: its UTF-8 bytes so far, the bytes of the unit so far, the UTF-8
    // continuation bytes still awaited and the range of the next, a UTF-16 high surrogate waiting
    // for its low one.
    std::array<char32_t, 4> m_utf8{};
    qsizetype m_utf8Length = 0;
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
