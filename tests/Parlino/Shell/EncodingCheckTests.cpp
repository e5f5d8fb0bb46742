#include "Parlino/Shell/EncodingCheck.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using Parlino::EncodingCheck;
using Fault = EncodingCheck::Fault;

// The fault found in `bytes`, fed at once and one byte at a time: both must agree.
std::optional<Fault> faultIn(const QByteArray& bytes,
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
    return whole.fault();
}

Fault at(qint64 byte, qint64 line, qint64 column, uchar first, bool atEnd = false) {
    return {{byte, line, column}, first, atEnd};
}

TEST(EncodingCheck, FindsTheFirstCharacterThatIsNoneOfTheEncodingWhereAnEditorShowsIt) {
    EXPECT_EQ(faultIn("caf\xc3\xa9\n\xe2\x82\xac 5 \xf0\x9f\x98\x80\n"), std::nullopt);
    EXPECT_EQ(faultIn("\xc3\xa9\nab\xff"), at(6, 2, 3, 0xFF));
    // Overlong forms, surrogates and code points past U+10FFFF, and characters cut short.
    for (const char* wrong : {"a\xc0\xaf", "a\xe0\x80\xaf", "a\xed\xa0\x80", "a\xf4\x90\x80\x80",
                              "a\x80", "a\xe2\x82z"})
        EXPECT_EQ(faultIn(wrong), at(2, 1, 2, uchar(wrong[1]))) << wrong;
    EXPECT_EQ(faultIn("ab\xe2\x82"), at(3, 1, 3, 0xE2, true));

    // UTF-16 and UTF-32, after a mark: a high surrogate without its low one, a lone low one, an
    // odd byte at the end, a code point past U+10FFFF.
    EXPECT_EQ(faultIn(QByteArray("a\0\x3d\xd8"
                                 "b\0",
                                 6),
                      QStringConverter::Utf16LE, 2),
              at(5, 1, 2, 0x3D));
    EXPECT_EQ(faultIn(QByteArray("\0\n\xd8\x3d\xde\x00\xdc\0", 8), QStringConverter::Utf16BE),
              at(7, 2, 2, 0xDC));
    EXPECT_EQ(faultIn(QByteArray("\0a\0", 3), QStringConverter::Utf16BE), at(3, 1, 2, 0, true));
    EXPECT_EQ(faultIn(QByteArray("a\0\0\0\0\0\x11\0", 8), QStringConverter::Utf32LE, 4),
              at(9, 1, 2, 0));
}

} // namespace
