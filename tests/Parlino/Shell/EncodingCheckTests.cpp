#include "Parlino/Shell/EncodingCheck.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using Parlino::EncodingCheck;
using Fault = EncodingCheck::Fault;
using Kind = Fault::Kind;

// The check of `bytes`, fed at once, after it was fed one byte at a time to another that must
// find the same.
EncodingCheck checked(const QByteArray& bytes,
                      QStringConverter::Encoding encoding = QStringConverter::Utf8,
                      qint64 skipped = 0) {
    EncodingCheck whole(encoding, skipped);
    EncodingCheck trickled(encoding, skipped);
    whole.feed(bytes);
    for (const char byte : bytes)
        trickled.feed(QByteArrayView(&byte, 1));
    whole.finish();
    trickled.finish();
    EXPECT_EQ(whole.fault(), trickled.fault()) << bytes.toHex().toStdString();
    return whole;
}

std::optional<Fault> faultIn(const QByteArray& bytes,
                             QStringConverter::Encoding encoding = QStringConverter::Utf8,
                             qint64 skipped = 0) {
    return checked(bytes, encoding, skipped).fault();
}

Fault at(qint64 byte, qint64 line, qint64 column, Kind kind, QList<char32_t> units) {
    return {{byte, line, column}, kind, units};
}

TEST(EncodingCheck, FindsTheFirstCharacterThatIsNoneOfTheEncodingWhereAnEditorShowsIt) {
    EXPECT_EQ(faultIn("caf\xc3\xa9\n\xe2\x82\xac 5 \xf0\x9f\x98\x80\n"), std::nullopt);
    EXPECT_EQ(faultIn("\xc3\xa9\nab\xff"), at(6, 2, 3, Kind::noCharacter, {0xFF}));
    EXPECT_EQ(faultIn("ab\xe2\x82"), at(3, 1, 3, Kind::cutShort, {}));

    // UTF-16 and UTF-32, after a mark: a high surrogate without its low one, a lone low one, an
    // odd byte at the end, a code point past U+10FFFF, a surrogate.
    EXPECT_EQ(faultIn(QByteArray("a\0\x3d\xd8"
                                 "b\0",
                                 6),
                      QStringConverter::Utf16LE, 2),
              at(5, 1, 2, Kind::unpairedHighSurrogate, {0xD83D, u'b'}));
    EXPECT_EQ(faultIn(QByteArray("\0\n\xd8\x3d\xde\x00\xdc\0", 8), QStringConverter::Utf16BE),
              at(7, 2, 2, Kind::loneLowSurrogate, {0xDC00}));
    EXPECT_EQ(faultIn(QByteArray("\0a\0", 3), QStringConverter::Utf16BE),
              at(3, 1, 2, Kind::cutShort, {}));
    EXPECT_EQ(faultIn(QByteArray("a\0\0\0\0\0\x11\0", 8), QStringConverter::Utf32LE, 4),
              at(9, 1, 2, Kind::pastUnicode, {0x110000}));
    EXPECT_EQ(faultIn(QByteArray("\0\0\xd8\0", 4), QStringConverter::Utf32BE),
              at(1, 1, 1, Kind::surrogate, {0xD800}));
}

// A character that begins well is named by the byte that breaks it, and by why that byte cannot
// follow: UTF-8 leaves out overlong forms, surrogates and code points past U+10FFFF.
TEST(EncodingCheck, NamesTheByteThatBreaksACharacterAndWhy) {
    const struct {
        QByteArray bytes;
        Fault fault;
        QString description;
    } rows[] = {
        {"a\xc0\xaf", at(2, 1, 2, Kind::noCharacter, {0xC0}),
         "at byte 2 (line 1, column 2) comes 0xC0, which begins no UTF-8 character"},
        {"a\x80", at(2, 1, 2, Kind::noCharacter, {0x80}),
         "at byte 2 (line 1, column 2) comes 0x80, which begins no UTF-8 character"},
        {"caf\xe9 cr", at(4, 1, 4, Kind::notContinued, {0xE9, 0x20}),
         "at byte 4 (line 1, column 4) comes 0xE9 0x20, which is no UTF-8 character: 0x20 "
         "cannot continue the character that 0xE9 begins"},
        {"a\xf0\x9f\x98z", at(2, 1, 2, Kind::notContinued, {0xF0, 0x9F, 0x98, u'z'}),
         "at byte 2 (line 1, column 2) comes 0xF0 0x9F 0x98 0x7A, which is no UTF-8 character: "
         "0x7A cannot continue the character that 0xF0 begins"},
        {"a\xed\xa0\x80", at(2, 1, 2, Kind::surrogate, {0xED, 0xA0}),
         "at byte 2 (line 1, column 2) comes 0xED 0xA0, which is no UTF-8 character: 0xA0 after "
         "0xED would encode a surrogate (U+D800 to U+DFFF), which UTF-8 leaves out"},
        {"a\xe0\x80\xaf", at(2, 1, 2, Kind::overlong, {0xE0, 0x80}),
         "at byte 2 (line 1, column 2) comes 0xE0 0x80, which is no UTF-8 character: 0x80 after "
         "0xE0 would encode a character in more bytes than it takes (an overlong form)"},
        {"a\xf0\x8f\xbf\xbf", at(2, 1, 2, Kind::overlong, {0xF0, 0x8F}),
         "at byte 2 (line 1, column 2) comes 0xF0 0x8F, which is no UTF-8 character: 0x8F after "
         "0xF0 would encode a character in more bytes than it takes (an overlong form)"},
        {"a\xf4\x90\x80\x80", at(2, 1, 2, Kind::pastUnicode, {0xF4, 0x90}),
         "at byte 2 (line 1, column 2) comes 0xF4 0x90, which is no UTF-8 character: 0x90 after "
         "0xF4 would encode a code point past U+10FFFF, the last there is"},
    };
    for (const auto& row : rows) {
        const EncodingCheck check = checked(row.bytes);
        EXPECT_EQ(check.fault(), row.fault) << row.bytes.toHex().toStdString();
        EXPECT_EQ(check.faultDescription(), row.description);
    }
}

// The units of UTF-16 and UTF-32 are named as code units, never by one of their bytes.
TEST(EncodingCheck, NamesTheCodeUnitThatIsNoCharacter) {
    const struct {
        QByteArray bytes;
        QStringConverter::Encoding encoding;
        QString description;
    } rows[] = {
        {QByteArray("a\0\0\xd8"
                    "b\0",
                    6),
         QStringConverter::Utf16LE,
         "at byte 3 (line 1, column 2) comes U+D800, a high surrogate that U+0062 after it does "
         "not complete"},
        {QByteArray("\0a\xdc\0", 4), QStringConverter::Utf16BE,
         "at byte 3 (line 1, column 2) comes U+DC00, a low surrogate with no high surrogate "
         "before it"},
        {QByteArray("\0\xd8\0\0", 4), QStringConverter::Utf32LE,
         "at byte 1 (line 1, column 1) comes U+D800, a surrogate, which is no character on its "
         "own"},
        {QByteArray("\0\x11\0\0", 4), QStringConverter::Utf32BE,
         "at byte 1 (line 1, column 1) comes 0x00110000, past U+10FFFF, the last code point "
         "there is"},
        {QByteArray("a\0\x3d\xd8", 4), QStringConverter::Utf16LE,
         "it ends inside a character begun at byte 3 (line 1, column 2)"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(checked(row.bytes, row.encoding).faultDescription(), row.description)
            << row.bytes.toHex().toStdString();
}

} // namespace
