#include "Core/TextSanitizer.h"

#include "Base/Unicode.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using Core::TextSanitizer::sanitize;

TEST(TextSanitizer, FoldsWhiteSpaceRunsIntoSpacesAndLineBreaks) {
    EXPECT_EQ(sanitize(QStringLiteral("  Hello \r\n\r\n\r\n  world\t\tagain  ")),
              QStringLiteral("Hello\n\nworld again"));
    EXPECT_EQ(sanitize(QStringLiteral("a \n b")), QStringLiteral("a\nb"));
    EXPECT_EQ(sanitize(QStringLiteral("a\r\n\r\nb")), QStringLiteral("a\n\nb"));
    EXPECT_EQ(sanitize(QStringLiteral("a\u2028b")), QStringLiteral("a b"))
        << "only LF, or CR LF, is a line break";
}

TEST(TextSanitizer, EmptiesBlankTexts) {
    EXPECT_EQ(sanitize(QStringLiteral(" \t\r\n \n\u00a0\u3000")), QString());
    EXPECT_EQ(sanitize(QString()), QString());
}

TEST(TextSanitizer, DropsControlsAndZeroWidthSpacesButKeepsOtherFormatCharacters) {
    EXPECT_EQ(sanitize(QStringLiteral("a\u200Bb")), QStringLiteral("ab"));
    EXPECT_EQ(sanitize(QStringLiteral("a\u0007b")), QStringLiteral("ab"));
    EXPECT_EQ(sanitize(QStringLiteral("a\u00A0b")), QStringLiteral("a b"));
    EXPECT_EQ(sanitize(QStringLiteral("alpha\u001Fbeta\u001Egamma\u001Cdelta")),
              QStringLiteral("alpha beta gamma delta"))
        << "a separator parts what it stands between";
    EXPECT_EQ(sanitize(QStringLiteral("a\u200Db\uFEFF")), QStringLiteral("a\u200Db\uFEFF"));
    EXPECT_EQ(sanitize(QStringLiteral("a \u0007 b")), QStringLiteral("a b"))
        << "a dropped control keeps the pending space";
}

// What invalid UTF-8 decodes to is no text anyone wrote: it is neither sent, billed nor spoken.
TEST(TextSanitizer, DropsTheReplacementCharactersOfInvalidBytes) {
    EXPECT_EQ(sanitize(QString::fromUtf8("Bad \xff\xfe\xc3\x28 bytes")),
              QStringLiteral("Bad ( bytes"));
    EXPECT_EQ(sanitize(QString::fromUtf8("Bad \xff\xfe\xfd\xfc bytes")),
              QStringLiteral("Bad bytes"));
    EXPECT_EQ(sanitize(QString::fromUtf8("\xed\xa0\x80")), QString()) << "an encoded surrogate";
}

// A browser that leaves a paragraph as the embedded object that stands for it: no speech.
TEST(TextSanitizer, DropsObjectReplacementCharacters) {
    EXPECT_EQ(sanitize(QStringLiteral("\uFFFC\uFFFC\uFFFC")), QString());
    EXPECT_EQ(sanitize(QStringLiteral("a link \uFFFC here")), QStringLiteral("a link here"));
}

// Direction marks and isolates, joiners, the soft hyphen, byte-order marks, tag characters,
// variation selectors and marks without a letter: a text of nothing else is not read, and is not
// sent to be spoken; with something to read beside them, they stay.
TEST(TextSanitizer, EmptiesTextsWithNothingToReadAloud) {
    for (const char16_t* silent :
         {u"\u202E\u2066\u200E\u2060\u00AD\uFEFF", u" \u200D\n\u200C\t\u2069 ",
          u"\U000E0041\U000E007F", u"\uFE0F\u0301", u"\u115F\u3164", u"\uE000\uFFFE", u"\xD83D"})
        EXPECT_EQ(sanitize(QString::fromUtf16(silent)), QString())
            << QString::fromUtf16(silent).toStdString();
    for (const char16_t* spoken : {u"\u202Ea", u"\u2066-\u2069", u"\uFEFF7", u"\u00AD\u20AC",
                                   u"\U0001F600", u"\U0001FAE9", u"\u2066\u05E9\u2069"})
        EXPECT_EQ(sanitize(QString::fromUtf16(spoken)), QString::fromUtf16(spoken))
            << QString::fromUtf16(spoken).toStdString();
}

TEST(TextSanitizer, KeepsSurrogatePairsWhole) {
    const QString emoji = QString::fromUcs4(U"😀");
    EXPECT_EQ(sanitize(QStringLiteral("  ") + emoji + QStringLiteral("  x ")),
              emoji + QStringLiteral(" x"));
}

namespace {

// A straightforward sanitiser, scalar by scalar, to check the fast one against, for texts without
// the carriage returns and backspaces that the terminal line takes.
QString referenceSanitize(const QString& text) {
    QString out;
    int pendingBreaks = 0;
    bool pendingSpace = false;
    for (const Base::Unicode::Scalar scalar : Base::Unicode::Scalars(text)) {
        const char32_t c = scalar.value;
        if (c == U'\n') {
            pendingBreaks = std::min(pendingBreaks + 1, 2);
            pendingSpace = false;
        } else if (Base::Unicode::isWhiteSpace(c) || (c >= 0x1C && c <= 0x1F)) {
            pendingSpace = true;
        } else if (!Base::Unicode::isControl(c) && c != 0x200B && c != 0xFFFD && c != 0xFFFC) {
            if (!out.isEmpty() && pendingBreaks > 0)
                out += QString(pendingBreaks, u'\n');
            else if (!out.isEmpty() && pendingSpace)
                out += u' ';
            out += QStringView(text).sliced(scalar.offset, scalar.length);
            pendingBreaks = 0;
            pendingSpace = false;
        }
    }
    for (const Base::Unicode::Scalar scalar : Base::Unicode::Scalars(out))
        if (Base::Unicode::isSpoken(scalar.value))
            return out;
    return QString();
}

} // namespace

TEST(TextSanitizer, MatchesAScalarByScalarSanitiserOnRandomEdgeCaseText) {
    using namespace std::string_literals;
    // White space, breaks, controls (C0, DEL, C1, NEL which is also white space; none that begins
    // an escape sequence), format characters, surrogates paired and not, and ordinary letters of
    // several scripts.
    const std::u16string alphabet =
        u"ab.Z \t\n\v\f\u0000\u0007\u001C\u001F\u007F\u0085\u0081\u00A0"
        u"\u00E9\u1680\u2028\u2029\u200B\u200D\u3000\uFEFF\uFFFC\uFFFD\u6771"
        u"\xD83D\xDE00\xD800\xDFFF\xDB40\xDC41\u202E"s;
    std::mt19937 random(20);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 40);
    for (int round = 0; round < 20000; ++round) {
        QString text;
        for (int i = length(random); i > 0; --i)
            text += QChar(alphabet[pick(random)]);
        ASSERT_EQ(sanitize(text), referenceSanitize(text));
    }
}

// A text read from a stream is cut wherever a read ends: inside a run of white space, between a
// CR and its LF, between the halves of a surrogate pair (of an emoji, or of a silent tag), inside
// an escape sequence, in a line that backspaces go back into.
TEST(TextSanitizer, BuildsTheSameCanonicalFormFromPiecesCutAnywhere) {
    using namespace std::string_literals;
    const std::u16string alphabet =
        u"ab \t\r\n\b\b\u0000\u00A0\u200B\uFFFD\u202E\u2066\xD83D\xDE00\xDB40\xDC41"
        u"\u6F22\u0301\u001B\u001B[]\\(;1mKD\u0007\u009B\u009D"s;
    std::mt19937 random(64);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 30);
    std::uniform_int_distribution<int> cut(0, 4);
    for (int round = 0; round < 20000; ++round) {
        QString text;
        for (int i = length(random); i > 0; --i)
            text += QChar(alphabet[pick(random)]);
        Core::TextSanitizer::Builder pieces;
        for (qsizetype at = 0; at < text.size();) {
            const qsizetype size = std::min<qsizetype>(cut(random), text.size() - at);
            pieces.append(QStringView(text).sliced(at, size));
            at += size;
        }
        ASSERT_EQ(pieces.take(), sanitize(text)) << round;
    }
}
