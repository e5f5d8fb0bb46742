// A text is read as a terminal shows it: each line in its last state, after the carriage returns,
// backspaces, tabs and control sequences that moved along it or erased in it.
#include "Core/TerminalLine.h"
#include "Core/TextSanitizer.h"

#include "support/Printers.h"

#include <gtest/gtest.h>

using Core::TextSanitizer::sanitize;

namespace {

void expectShownAs(const QList<std::pair<const char16_t*, const char16_t*>>& cases) {
    for (const auto& [text, shown] : cases)
        EXPECT_EQ(sanitize(QString::fromUtf16(text)), QString::fromUtf16(shown))
            << QString::fromUtf16(text).toStdString();
}

} // namespace

TEST(TerminalLine, ShowsALineRedrawnOrCorrectedInItsLastState) {
    expectShownAs({
        {u"Progress: 10%\rProgress: 50%\rProgress: 100%\n", u"Progress: 100%"},
        {u"$ echo hellp\b \bo world\r\nhello world\r\n", u"$ echo hello world\nhello world"},
        {u"N\bNA\bAM\bME\bE", u"NAME"},
        {u"_\bu_\bs_\ba_\bg_\be", u"usage"},
        {u"Downloading 100%\rDone", u"Doneloading 100%"}, // what a shorter state leaves
        {u"\bab\b\b\b\bc", u"cb"},                        // no further back than the start
    });
}

// A CR that ends a CRLF line, or a line, or the text, leaves the line as it is.
TEST(TerminalLine, KeepsLinesEndedByACarriageReturn) {
    expectShownAs({
        {u"one\r\ntwo\r\n\r\nthree", u"one\ntwo\n\nthree"},
        {u"one\r\r\ntwo\r", u"one\ntwo"},
    });
}

TEST(TerminalLine, AppliesTheSequencesThatEraseInTheLineOrMoveAlongIt) {
    expectShownAs({
        {u"Downloading 100%\r\x1b[KDone", u"Done"},
        {u"Downloading 100%\r\x1b[0KDone", u"Done"},
        {u"Downloading\x1b[2K\rDone", u"Done"},
        {u"Downloading\x1b[2KDone", u"Done"}, // after the blanks that were the old line
        {u"abcdef\x1b[3D\x1b[Kxy", u"abcxy"},
        {u"abcdef\r\x1b[3C\x1b[1K!", u"!ef"},
        {u"abcdef\x1b[1Gz\x1b[2Cy", u"zbcyef"},
        {u"a\x1b[5Cb", u"a b"},
        {u"ab\x1b[?25lc\x1b[1;2D", u"abc"}, // none of the line's
        {u"\x1b]8;;http://x/\x1b\\link\x1b]8;;\x1b\\\r\x1b[Kdone", u"done"},
    });
}

// Wide characters take two columns, marks none: erasing either takes one character away.
TEST(TerminalLine, CountsTheColumnsThatCharactersTake) {
    expectShownAs({
        {u"ab\u6F22\b\b  \b\b!", u"ab!"},
        {u"x\U0001F600\b\b  \b\by", u"xy"},
        {u"de\u0301\b \bf", u"df"},
        {u"\u6F22\u5B57\rA", u"A \u5B57"},
        {u"X\u6F22\bA", u"X A"}, // no half of a wide character is left
        {u"ab\b\u6F22", u"a\u6F22"},
        {u"a\xD83D\bx", u"ax"}, // a surrogate without its other half takes a column
        {u"ab\tcd\rxy", u"xy cd"},
    });
}

// The line waits for its end a row of at most `width` columns: a line without one, however long,
// goes on row by row, and a carriage return goes back to the start of its last row.
TEST(TerminalLine, HoldsBackNoMoreThanOneRowOfALongLine) {
    Core::TerminalLine line;
    QString shown;
    const Core::TerminalLine::Sink sink = [&](QStringView text) { shown += text; };
    const QString longLine(1'000'000, u'x');
    for (qsizetype at = 0; at < longLine.size(); at += 4096)
        line.write(
            QStringView(longLine).sliced(at, std::min<qsizetype>(4096, longLine.size() - at)),
            sink);
    EXPECT_GE(shown.size(), longLine.size() - Core::TerminalLine::width);
    line.write(u"\rAB", sink);
    line.finish(sink);
    const qsizetype lastRow = longLine.size() % Core::TerminalLine::width;
    EXPECT_EQ(shown, QString(longLine.size() - lastRow, u'x') + QStringLiteral("AB") +
                         QString(lastRow - 2, u'x'));
}
