#include "Parlino/Shell/EncodingCheck.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using Parlino::EncodingCheck;
using Fault = EncodingCheck::Fault;

// The fault found in `bytes`, fed at once and then one byte at a time: both must agree.
std::optional<Fault> faultIn(const QByteArray& bytes,
                             QStringConverter::Encoding encoding = QStringConverter::Utf8,
                             qint64 skipped = 0) {
    EncodingCheck whole(encoding, skipped);
    whole.feed(bytes);
    whole.finish();
    EncodingCheck trickled(encoding, skipped);
    for (const char byte : bytes)
        trickled.feed(QByteArrayView(&byte, 1));
    trickled.finish();
    EXPECT_EQ(whole.fault(), trickled.fault()) << bytes.toHex().toStdString();
    return whole.fault();
}

Fault at(qint64 byte, qint64 line, qint64 column, uchar first, bool atEnd = false) {
    return {{byte, line, column}, first, atEnd};
}

TEST(EncodingCheck, FindsTheFirstUtf8FaultWhereAnEditorShowsIt) {
    EXPECT_EQ(faultIn("caf\xc3\xa9\n\xe2\x82\xac 5 \xf0\x9f\x98\x80\n"), std::nullopt);
    EXPECT_EQ(faultIn("caf\xe9 cr\xe8me"), at(4, 1, 4, 0xE9));
    EXPECT_EQ(faultIn("\xc3\xa9\nab\xff"), at(6, 2, 3, 0xFF));
    // Overlong forms, surrogates and code points past U+10FFFF are no characters.
    EXPECT_EQ(faultIn("a\xc0\xaf"), at(2, 1, 2, 0xC0));
    EXPECT_EQ(faultIn("a\xe0\x80\xaf"), at(2, 1, 2, 0xE0));
    EXPECT_EQ(faultIn("a\xed\xa0\x80"), at(2, 1, 2, 0xED));
    EXPECT_EQ(faultIn("a\xf4\x90\x80\x80"), at(2, 1, 2, 0xF4));
    EXPECT_EQ(faultIn("a\x80"), at(2, 1, 2, 0x80));
    // A character cut short, by another or by the end.
    EXPECT_EQ(faultIn("a\xe2\x82z"), at(2, 1, 2, 0xE2));
    EXPECT_EQ(faultIn("ab\xe2\x82"), at(3, 1, 3, 0xE2, true));
}

TEST(EncodingCheck, FindsUtf16AndUtf32FaultsCountingTheMarkBeforeThem) {
    // "a", then a high surrogate followed by "b": after a two-byte mark.
    EXPECT_EQ(faultIn(QByteArray("a\0\x3d\xd8"
                                 "b\0",
                                 6),
                      QStringConverter::Utf16LE, 2),
              at(5, 1, 2, 0x3D));
    EXPECT_EQ(faultIn(QByteArray("\0a\xdc\x00", 4), QStringConverter::Utf16BE), at(3, 1, 2, 0xDC));
    EXPECT_EQ(faultIn(QByteArray("\0\n\xd8\x3d\xde\x00\0a", 8), QStringConverter::Utf16BE),
              std::nullopt);
    EXPECT_EQ(faultIn(QByteArray("\0a\0", 3), QStringConverter::Utf16BE), at(3, 1, 2, 0, true));
    EXPECT_EQ(faultIn(QByteArray("\0\x11\0\0", 4), QStringConverter::Utf32BE), at(1, 1, 1, 0));
    EXPECT_EQ(faultIn(QByteArray("a\0\0\0\0\xd8\0\0", 8), QStringConverter::Utf32LE, 4),
              at(9, 1, 2, 0));
}

} // namespace
