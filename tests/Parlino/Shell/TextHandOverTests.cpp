#include "Parlino/Shell/TextHandOver.h"

#include "support/Printers.h"

#include <QBuffer>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include <cstring>

namespace TextHandOver = Parlino::TextHandOver;

namespace {

// Standard input that never ends, or that fails: counts the bytes it handed out.
class EndlessInput final : public QIODevice {
public:
    explicit EndlessInput(char byte, bool fails = false) : m_byte(byte), m_fails(fails) {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    qint64 handed = 0;

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (m_fails) {
            setErrorString(QStringLiteral("Input/output error"));
            return -1;
        }
        std::memset(data, m_byte, size_t(maxSize));
        handed += maxSize;
        return maxSize;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    char m_byte;
    bool m_fails;
};

// Standard input that gives its bytes one read at a time, as a slow pipe may.
class TricklingInput final : public QIODevice {
public:
    explicit TricklingInput(QByteArray bytes) : m_bytes(std::move(bytes)) {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (m_bytes.isEmpty() || maxSize == 0)
            return 0;
        *data = m_bytes.front();
        m_bytes.remove(0, 1);
        return 1;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_bytes;
};

Base::Result<QString, QString> readAll(QByteArray bytes) {
    QBuffer input(&bytes);
    input.open(QIODevice::ReadOnly);
    return TextHandOver::read(input);
}

const QString nothingToRead = QStringLiteral(
    "standard input holds no text to read, only white space or invisible characters");

QByteArray withMark(const QString& text, QStringConverter::Encoding encoding) {
    return QStringEncoder(encoding, QStringEncoder::Flag::WriteBom)(text);
}

TEST(TextHandOver, TakesTextUpToTheBoundWithEachNulAsASpace) {
    const auto small = readAll(QByteArray("Before the NUL\0after it.", 24));
    ASSERT_TRUE(small);
    EXPECT_EQ(*small, "Before the NUL after it.");

    QByteArray atTheBound(TextHandOver::maxBytes, 'a');
    atTheBound[1000] = '\0';
    const auto whole = readAll(atTheBound);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->size(), TextHandOver::maxBytes);
    EXPECT_EQ(whole->at(1000), u' ');
}

TEST(TextHandOver, RefusesOneBytePastTheBoundNamingIt) {
    const auto refused = readAll(QByteArray(TextHandOver::maxBytes + 1, 'a'));
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), TextHandOver::tooLargeMessage());
    EXPECT_TRUE(refused.error().contains(QStringLiteral("larger than 8 MiB")))
        << refused.error().toStdString();
}

// What is measured is the text the application will read: controls and white space it folds take
// no room, whatever their number.
TEST(TextHandOver, MeasuresTheBoundOnTheTextThatWillBeRead) {
    QByteArray padded;
    for (qsizetype line = 0; line < TextHandOver::maxBytes / 1024; ++line)
        padded += (line > 0 ? "\n" : "a") + QByteArray(1023, 'a') + QByteArray(1000, '\x01') +
                  QByteArray(1000, ' ');
    ASSERT_GT(padded.size(), 2 * TextHandOver::maxBytes);
    const auto atTheBound = readAll(padded);
    ASSERT_TRUE(atTheBound) << atTheBound.error().toStdString();
    EXPECT_EQ(atTheBound->size(), TextHandOver::maxBytes);

    const auto pastTheBound = readAll(padded + 'a');
    ASSERT_FALSE(pastTheBound);
    EXPECT_EQ(pastTheBound.error(), TextHandOver::tooLargeMessage());
}

TEST(TextHandOver, SaysWhenNothingIsLeftToRead) {
    const auto empty = readAll({});
    ASSERT_FALSE(empty);
    EXPECT_EQ(empty.error(), "standard input is empty: there is no text to read");
    const auto blank = readAll(QByteArray(" \t\r\n\0\x07\xe2\x80\x8b", 9));
    ASSERT_FALSE(blank);
    EXPECT_EQ(blank.error(), nothingToRead);
    for (const QString& invisible : {QStringLiteral("\u202E\u2066"),
                                     QStringLiteral("\u202E\u2066\u200E\u2060\u00AD\uFEFF \n")}) {
        const auto refused = readAll(invisible.toUtf8());
        ASSERT_FALSE(refused) << refused->toStdString();
        EXPECT_EQ(refused.error(), nothingToRead);
    }
    // A title never ended hides all that follows it, as on a terminal: that is what is said.
    const auto inTitle = readAll("\x1b]0;a title that never ends\nAfter the line.");
    ASSERT_FALSE(inTitle);
    EXPECT_EQ(inTitle.error(), "standard input holds no text that a terminal shows: it is inside "
                               "a terminal control string, such as a window title, that never "
                               "ends");
    const auto endedTitle = readAll("\x1b]0;a title\x07\x1b]0;another\x1b\\ \n");
    ASSERT_FALSE(endedTitle);
    EXPECT_EQ(endedTitle.error(), nothingToRead);
}

// UTF-16 from a Windows tool or an editor that saves it: its byte-order mark says so. With UTF-8's
// mark the input is UTF-8.
TEST(TextHandOver, DecodesInputByTheByteOrderMarkItStartsWith) {
    const QString hello = QStringLiteral("Hello w\u00F6rld \U0001F600");
    for (const QByteArray& marked :
         {withMark(hello, QStringConverter::Utf16LE), withMark(hello, QStringConverter::Utf16BE),
          withMark(hello, QStringConverter::Utf32LE),
          QByteArray("\xEF\xBB\xBF") + hello.toUtf8()}) {
        const auto text = readAll(marked);
        ASSERT_TRUE(text) << text.error().toStdString();
        EXPECT_EQ(*text, hello) << marked.toHex().toStdString();
        TricklingInput trickling(marked);
        EXPECT_EQ(TextHandOver::read(trickling).valueOr(QString()), hello);
    }
    // The text read, or why there is none.
    const auto outcome = [](const QByteArray& bytes) {
        const auto text = readAll(bytes);
        return text ? *text : text.error();
    };
    EXPECT_EQ(outcome(withMark(QStringLiteral("Hi"), QStringConverter::Utf16BE)),
              QStringLiteral("Hi"));
    EXPECT_EQ(outcome("\xFF\xFE\x2E\x20"), nothingToRead) << "a right-to-left override alone";
}

Base::Result<QString, QString> readIn(QByteArray bytes, const QByteArray& localeEncoding) {
    QBuffer input(&bytes);
    input.open(QIODevice::ReadOnly);
    return TextHandOver::read(input, localeEncoding);
}

QByteArray unmarked(const QString& text, QStringConverter::Encoding encoding) {
    return QStringEncoder(encoding)(text);
}

// UTF-16 or UTF-32 saved without a mark is read as such where its first bytes show it, in any
// locale, and never letter by letter with the NULs as spaces.
TEST(TextHandOver, ReadsUtf16AndUtf32WithoutAMarkWhereTheirFirstBytesShowThem) {
    const QString texts[] = {
        QStringLiteral("Hello without a mark.\r\nA second line."),
        QStringLiteral("\u201CQuoted\u201D \u2014 and a caf\u00E9."),
        QStringLiteral("\u041F\u0440\u0438\u0432\u0435\u0442, \u043C\u0438\u0440."),
    };
    for (const QString& text : texts)
        for (const auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE,
                                    QStringConverter::Utf32LE, QStringConverter::Utf32BE}) {
            const QByteArray bytes = unmarked(text, encoding);
            const QString expected =
                QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            EXPECT_EQ(readIn(bytes, "UTF-8").valueOr(QString()), expected)
                << bytes.toHex().toStdString();
            EXPECT_EQ(readIn(bytes, "ISO-8859-1").valueOr(QString()), expected);
            TricklingInput trickling(bytes);
            EXPECT_EQ(TextHandOver::read(trickling).valueOr(QString()), expected);
        }

    const auto refused =
        readIn(unmarked(QStringLiteral("ab"), QStringConverter::Utf16LE) + QByteArray("\0\xd8", 2) +
                   unmarked(QStringLiteral("cd"), QStringConverter::Utf16LE),
               "UTF-8");
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(),
              "standard input is not UTF-16LE text, which its first bytes look like: at byte 5 "
              "(line 1, column 3) comes U+D800, a high surrogate that U+0063 after it does not "
              "complete; convert it to UTF-8 first, for example with iconv");
}

// UTF-8 is not taken for UTF-16 where its bytes only look like it in a few places: blank lines,
// a list of names each ended by a NUL, lines indented with tabs.
TEST(TextHandOver, TakesUtf8WithControlBytesForUtf8) {
    EXPECT_EQ(readAll("\n\n\r\n\t\t\n\n").error(), nothingToRead);
    EXPECT_EQ(readAll(QByteArray("./a\0./b\0./c\0", 12)).valueOr(QString()),
              QStringLiteral("./a ./b ./c"));
    EXPECT_EQ(readAll("\tOne\n\t\tTwo\n\t\t\tThree\n").valueOr(QString()),
              QStringLiteral("One\nTwo\nThree"));

    // UTF-16 whose first bytes do not show it, with bytes that are not UTF-8: refused, saying
    // what its NULs suggest.
    const auto japanese =
        readAll(unmarked(QStringLiteral("\u65E5\u672C\u8A9E a b"), QStringConverter::Utf16LE));
    ASSERT_FALSE(japanese);
    EXPECT_EQ(japanese.error(),
              "standard input is not UTF-8 text: at byte 1 (line 1, column 1) comes 0xE5 0x65, "
              "which is no UTF-8 character: 0x65 cannot continue the character that 0xE5 begins "
              "(its NUL bytes suggest UTF-16 or UTF-32 text without a byte-order mark); convert it "
              "to UTF-8 first, for example with iconv");
}

// Input that is not in its encoding is handed over with none of its characters left out, or not
// at all: the message says where it goes wrong. Where the locale's encoding is another than UTF-8,
// input that is not UTF-8 is text in that encoding, as the user's own programs write it.
TEST(TextHandOver, TakesNoTextWithCharactersLeftOutAndSaysWhere) {
    const QByteArray latin1("caf\xe9 cr\xe8me", 10);
    const QString cafe = QStringLiteral("caf\u00e9 cr\u00e8me");
    const QString advice = QStringLiteral("; convert it to UTF-8 first, for example with iconv");
    EXPECT_EQ(readIn(latin1, "UTF-8").error(),
              "standard input is not UTF-8 text: at byte 4 (line 1, column 4) comes 0xE9 0x20, "
              "which is no UTF-8 character: 0x20 cannot continue the character that 0xE9 begins" +
                  advice);
    EXPECT_EQ(readIn("\xFF\xFEH", "ISO-8859-1").error(),
              "standard input is not UTF-16 text as its byte-order mark says: it ends inside a "
              "character begun at byte 3 (line 1, column 1)" +
                  advice);
    EXPECT_FALSE(readIn(latin1, "ANSI_X3.4-1968")) << "ASCII is no other encoding";

    EXPECT_EQ(readIn(latin1, "ISO-8859-1").valueOr(QString()), cafe);
    EXPECT_EQ(readIn(cafe.toUtf8(), "ISO-8859-1").valueOr(QString()), cafe)
        << "UTF-8 stays UTF-8 in any locale";
    EXPECT_EQ(readIn("ab\x8e", "EUC-JP").error(),
              "standard input is not UTF-8 text, nor EUC-JP text as the locale says: at byte 3 "
              "(line 1, column 3) comes 0x8E, which begins no UTF-8 character" +
                  advice);
}

// Quotes and dashes from Windows (0x80 to 0x9F) are control codes in ISO-8859-1: in a Latin-1
// locale they are read as Windows-1252 writes them. Where a byte stands for no text, in any
// encoding, the input is refused naming it, never read without it.
TEST(TextHandOver, ReadsWindowsQuotesAndDashesAndRefusesControlCodes) {
    const QByteArray windows("He said \x93quoted\x94 and left \x96 at \x80 5\x85");
    EXPECT_EQ(readIn(windows, "ISO-8859-1").valueOr(QString()),
              QStringLiteral("He said \u201Cquoted\u201D and left \u2013 at \u20AC 5\u2026"));
    EXPECT_EQ(readIn(windows, "UTF-8").error(),
              "standard input is not UTF-8 text: at byte 9 (line 1, column 9) comes 0x93, which "
              "begins no UTF-8 character; convert it to UTF-8 first, for example with iconv");

    EXPECT_EQ(readIn("caf\xe9\nno \x81 here", "ISO-8859-1").error(),
              "standard input is not UTF-8 text, nor ISO-8859-1 text as the locale says: at line "
              "2, column 4 comes 0x81, which is no text in ISO-8859-1 (a control code) nor in "
              "Windows-1252 (unused); convert it to UTF-8 first, for example with iconv");
    EXPECT_EQ(readIn("z\xb9 \x93x\x94", "ISO-8859-2").error(),
              "standard input is not UTF-8 text, nor ISO-8859-2 text as the locale says: at line "
              "1, column 4 comes 0x93, which is no text in ISO-8859-2 (a control code); convert "
              "it to UTF-8 first, for example with iconv");
}

// A terminal that reads an 8-bit encoding takes the byte 0x9B for CSI: a program's colours are
// not read. In ISO-8859-1, read as Windows-1252, the same byte is also '›', which stays where no
// control sequence follows it.
TEST(TextHandOver, RemovesTheEightBitControlSequencesOfAnEightBitLocale) {
    const QByteArray coloured("\x9b"
                              "1;31mRed\x9b"
                              "0m text.\n");
    EXPECT_EQ(readIn(coloured, "ISO-8859-1").valueOr(QString()), QStringLiteral("Red text."));
    EXPECT_EQ(readIn(coloured, "ISO-8859-15").valueOr(QString()), QStringLiteral("Red text."));
    EXPECT_EQ(readIn("Il dit \x9bvoil\xe0\x8b, \x9b"
                     "3 fois\x8b.",
                     "ISO-8859-1")
                  .valueOr(QString()),
              QStringLiteral("Il dit \u203Avoil\u00E0\u2039, \u203A3 fois\u2039."));
    EXPECT_EQ(readIn("\xe9t\xe9 \x9b"
                     "1;2 bold",
                     "ISO-8859-15")
                  .error(),
              "standard input is not UTF-8 text, nor ISO-8859-15 text as the locale says: at line "
              "1, column 5 comes 0x9B, which is no text in ISO-8859-15 (a control code); convert "
              "it to UTF-8 first, for example with iconv");
}

// UTF-16 of characters that share their high byte, as kana do, reads as nonsense in UTF-8 where
// it is UTF-8 at all: refused naming what it looks like, in any locale. No ASCII that reads as
// words, and no hexadecimal number, is taken for it.
TEST(TextHandOver, RefusesUtf16ThatReadsAsNonsenseNamingIt) {
    const QString hiragana = QStringLiteral("\u3042\u306A\u305F\u306E\u306A\u307E\u3048\u306F"
                                            "\u306A\u306B\u3067\u3059\u304B");
    const QString katakana =
        QStringLiteral("\u30AB\u30BF\u30AB\u30CA\u306E\u30C6\u30AD\u30B9\u30C8\u3067\u3059");
    const QString advice = QStringLiteral("; convert it to UTF-8 first, for example with iconv");
    for (const auto& [encoding, name] : {std::pair{QStringConverter::Utf16LE, "UTF-16LE"},
                                         std::pair{QStringConverter::Utf16BE, "UTF-16BE"}}) {
        const QString looksLike =
            QStringLiteral(": its first bytes look like %1 text without a byte-order mark")
                .arg(QLatin1String(name));
        for (const QString& text :
             {hiragana, hiragana + QStringLiteral("\n") + hiragana, katakana}) {
            const QByteArray bytes = unmarked(text, encoding);
            EXPECT_EQ(readIn(bytes, "UTF-8").error(),
                      "standard input is not UTF-8 text" + looksLike + advice)
                << bytes.toHex().toStdString();
            EXPECT_EQ(readIn(bytes, "ISO-8859-1").error(),
                      "standard input is not UTF-8 text, nor ISO-8859-1 text as the locale says" +
                          looksLike + advice);
        }
    }
    for (const char* ascii :
         {"1,2,3,4,5,6,7,8,9,10,11,12,13", "H e l l o , w o r l d , s p a c e d o u t",
          "a-b-c-d-e-f-g-h-i-j-k-l-m", "0102030405060708090a0b0c0d0e0f", "10 20 30 40 50 60 70 80",
          "A1B2C3D4E5F6G7H8I9J1K2L3"})
        EXPECT_EQ(readAll(ascii).valueOr(QString()), QString::fromLatin1(ascii));
}

TEST(TextHandOver, DecodesCharactersWhoseBytesArriveInSeparateReads) {
    TricklingInput input(QStringLiteral("Caf\u00e9 \u20ac5 \U0001F600!").toUtf8());
    const auto text = TextHandOver::read(input);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, QStringLiteral("Caf\u00e9 \u20ac5 \U0001F600!"));
}

// An input that never ends is left at the bound: of the text when it holds text, of the input
// when it holds nothing to read.
TEST(TextHandOver, StopsReadingAnEndlessInput) {
    EndlessInput text('a');
    const auto refusedText = TextHandOver::read(text);
    ASSERT_FALSE(refusedText);
    EXPECT_EQ(refusedText.error(), TextHandOver::tooLargeMessage());
    EXPECT_GT(text.handed, TextHandOver::maxBytes);
    EXPECT_LT(text.handed, TextHandOver::maxBytes + 1024 * 1024);

    // Nor past the first byte that is not UTF-8.
    EndlessInput invalid('\xff');
    EXPECT_FALSE(TextHandOver::read(invalid));
    EXPECT_LE(invalid.handed, 64 * 1024);

    EndlessInput zeros('\0');
    const auto refusedZeros = TextHandOver::read(zeros);
    ASSERT_FALSE(refusedZeros);
    EXPECT_EQ(refusedZeros.error(),
              "standard input holds more than 64 MiB, and Parlino reads at most 8 MiB of text "
              "at once");
    EXPECT_EQ(zeros.handed, TextHandOver::maxInputBytes + 1);
}

TEST(TextHandOver, SaysWhyInputThatCannotBeReadIsNotHandedOver) {
    EndlessInput failing('a', true);
    const auto refused = TextHandOver::read(failing);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), "standard input could not be read: Input/output error");
}

} // namespace
