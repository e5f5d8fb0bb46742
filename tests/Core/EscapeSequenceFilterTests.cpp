#include "Core/TextSanitizer.h"

#include "support/Printers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using Core::TextSanitizer::sanitize;

TEST(EscapeSequenceFilter, ColoursAreNotSpoken) {
    EXPECT_EQ(sanitize(QStringLiteral("\x1b[1;31mError:\x1b[0m the file \x1b[4mreport.txt\x1b[24m "
                                      "was not found.\n")),
              QStringLiteral("Error: the file report.txt was not found."));
}

TEST(EscapeSequenceFilter, EachKindOfSequenceIsRemovedWhole) {
    const QList<std::pair<const char16_t*, const char16_t*>> cases = {
        {u"a\x1b[?25lb\x1b[2 qc", u"abc"}, // private parameters, an intermediate
        {u"a\x1b]0;title\u0007b", u"ab"},  // OSC up to BEL
        {u"\x1b]8;;http://x/\x1b\\link\x1b]8;;\x1b\\", u"link"}, // up to ST
        {u"a\x1bP1$r0m\x1b\\b\x1bXs\x1b\\c", u"abc"},            // DCS, SOS
        {u"a\x1b^p\x1b\\b\x1b_apc\x1b\\c", u"abc"},              // PM, APC
        {u"\x1bkmy-window\x1b\\Text after.", u"Text after."},    // the title of screen and tmux
        {u"a\x1b"
         u"7b\x1b"
         u"8c\x1bMd\x1b=e",
         u"abcde"},                            // two-character escapes
        {u"a\x1b(Bb\x1b$(Dc\x1b#8d", u"abcd"}, // with intermediates
        {u"a\x1b\x1b[31mb", u"ab"},            // ESC ESC
        {u"a\x1b[31\u0018b", u"ab"},           // cancelled by CAN
        {u"a\x1b]0;title\u001Ab", u"ab"},      // cancelled by SUB
        {u"a\x1b[31\nb", u"a\nb"},             // ended by what is no part of one
        {u"a\x1b]0;title\x1b[31mb", u"ab"},    // a string ended by the next sequence
        {u"ab\x1b", u"ab"},
        {u"ab\x1b[", u"ab"},
    };
    for (const auto& [text, canonical] : cases)
        EXPECT_EQ(sanitize(QString::fromUtf16(text)), QString::fromUtf16(canonical))
            << QString::fromUtf16(text).toStdString();
}

// A terminal shows nothing of a control string until its end, whatever comes between: a line
// break neither, nor the end of the text.
TEST(EscapeSequenceFilter, AControlStringWithoutItsEndShowsNothingAfterItsOpening) {
    EXPECT_EQ(sanitize(QStringLiteral("Text before the link \x1b]8;;http://example.org/never")),
              QStringLiteral("Text before the link"));
    EXPECT_EQ(sanitize(QStringLiteral("\x1b]0;a title that never ends\nAfter the line.")),
              QString());
    EXPECT_EQ(sanitize(QStringLiteral("\x1b]0;a title\non two lines\u0007After the title.")),
              QStringLiteral("After the title."));
}

// Only a terminal reading an 8-bit encoding takes the C1 controls for CSI, OSC or ST; one reading
// UTF-8 shows them as nothing. Nor is a stray one the opening of anything: the closing quote
// that UTF-8 read as Latin-1 leaves (U+009D, an OSC) takes nothing after it away.
TEST(EscapeSequenceFilter, EightBitControlsInUnicodeTextOpenNoSequence) {
    EXPECT_EQ(sanitize(QStringLiteral("a\u009B31mb")), QStringLiteral("a31mb"));
    EXPECT_EQ(sanitize(QStringLiteral("a\u009D0;title\u009Cb")), QStringLiteral("a0;titleb"));
    EXPECT_EQ(sanitize(QStringLiteral("\u00E2\u20AC\u009CQuoted,\u00E2\u20AC\u009D she said.\n"
                                      "And more.")),
              QStringLiteral("\u00E2\u20ACQuoted,\u00E2\u20AC she said.\nAnd more."));
}

namespace {

struct Output {
    bool ran = false;
    QString text;
};

// What `program` writes in `folder`, with a HOME of its own.
Output run(const QString& program, const QStringList& arguments, const QString& folder) {
    if (QStandardPaths::findExecutable(program).isEmpty())
        return {};
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), folder);
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.insert(QStringLiteral("GIT_CONFIG_NOSYSTEM"), QStringLiteral("1"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return {};
    return {true, QString::fromUtf8(process.readAllStandardOutput())};
}

class ColouredOutput : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        QFile file(folder.filePath(QStringLiteral("report.txt")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("The report was not found.\nAn error was reported twice: error.\n");
        ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("folder")));
    }

    // The same command's output in colour and without reads the same.
    void expectReadAlike(const QString& program, const QStringList& arguments,
                         const QStringList& colour) {
        const Output coloured = run(program, arguments + colour, folder.path());
        const Output plain = run(program, arguments, folder.path());
        if (!coloured.ran || !plain.ran)
            GTEST_SKIP() << program.toStdString() << " is not at hand";
        ASSERT_TRUE(coloured.text.contains(QChar(0x1b))) << "no colours to remove";
        EXPECT_EQ(sanitize(coloured.text), sanitize(plain.text));
    }

    QTemporaryDir folder;
};

} // namespace

TEST_F(ColouredOutput, OfGrepReadsAsWithoutColours) {
    expectReadAlike(QStringLiteral("grep"), {"-rin", "report"}, {"--color=always"});
}

TEST_F(ColouredOutput, OfLsWithLinksReadsAsWithoutColours) {
    expectReadAlike(QStringLiteral("ls"), {"-l"}, {"--color=always", "--hyperlink=always"});
}

TEST_F(ColouredOutput, OfGitLogReadsAsWithoutColours) {
    for (const QStringList& step :
         {QStringList{"init", "-q"}, QStringList{"add", "report.txt"},
          QStringList{"-c", "user.name=Parlino", "-c", "user.email=p@example.org", "commit", "-qm",
                      "Add the report"}})
        if (!run(QStringLiteral("git"), step, folder.path()).ran)
            GTEST_SKIP() << "git is not at hand";
    expectReadAlike(QStringLiteral("git"), {"log", "--decorate", "--stat", "-p"},
                    {"--color=always"});
}
