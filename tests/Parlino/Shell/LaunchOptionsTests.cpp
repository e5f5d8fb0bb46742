#include "Parlino/Shell/LaunchOptions.h"

#include <gtest/gtest.h>

#include <tuple>

using Parlino::LaunchOptions;
using Action = LaunchOptions::Action;

namespace {

LaunchOptions parse(QStringList arguments) {
    arguments.prepend(QStringLiteral("/usr/bin/parlino"));
    return LaunchOptions::parse(arguments);
}

TEST(LaunchOptions, TheFirstOfHelpVersionOrARefusedArgumentDecides) {
    EXPECT_EQ(parse({}).action, Action::run);
    EXPECT_EQ(parse({"--read"}).action, Action::read);
    EXPECT_EQ(parse({"-h"}).action, Action::showHelp);
    EXPECT_EQ(parse({"--read", "--help", "--bogus"}).action, Action::showHelp);
    EXPECT_EQ(parse({"--version", "-h"}).action, Action::showVersion);

    for (const auto& [arguments, refusal] : std::vector<std::pair<QStringList, QString>>{
             {{"--bogus", "--help"}, "unrecognized option '--bogus'"},
             {{"--read", "-x"}, "unrecognized option '-x'"},
             {{"--read=now"}, "unrecognized option '--read=now'"},
             {{"-help"}, "unrecognized option '-help'"},
             {{"--"}, "unrecognized option '--'"},
             {{"notes.txt"}, "unexpected argument 'notes.txt'"},
             {{"-"}, "unexpected argument '-'"},
             {{"-style"}, "option '-style' requires an argument"},
             {{"-reverse=yes"}, "unrecognized option '-reverse=yes'"},
         }) {
        const LaunchOptions options = parse(arguments);
        EXPECT_EQ(options.action, Action::refuse) << arguments.join(' ').toStdString();
        EXPECT_EQ(options.refusal, refusal);
    }
}

// A session manager restores the application with "-session <id>"; Qt takes its own options.
TEST(LaunchOptions, TheToolkitsOwnOptionsAndTheirValuesAreLeftToIt) {
    EXPECT_EQ(parse({"-session", "10d2f3", "--read"}).action, Action::read);
    EXPECT_EQ(parse({"--platform", "xcb", "-style=fusion", "-reverse"}).action, Action::run);
    // A value is taken as such even when it looks like one of ours.
    EXPECT_EQ(parse({"-qwindowtitle", "--help"}).action, Action::run);
    EXPECT_EQ(parse({"-display", ":1", "stray"}).action, Action::refuse);
}

TEST(LaunchOptions, HelpAndVersionGoToStandardOutputARefusalToStandardErrorWithStatusTwo) {
    EXPECT_FALSE(parse({"--read"}).terminalAnswer("parlino", "Parlino 1.2"));
    const auto help = parse({"--help"}).terminalAnswer("parlino", "Parlino 1.2");
    ASSERT_TRUE(help);
    EXPECT_EQ(std::tie(help->status, help->toStandardError), std::tuple(0, false));
    for (const char* option : {"  --read ", "  -h, --help ", "  --version "})
        EXPECT_TRUE(help->text.contains(option)) << option;

    const auto version = parse({"--version"}).terminalAnswer("parlino", "Parlino 1.2");
    ASSERT_TRUE(version);
    EXPECT_EQ(std::tie(version->text, version->status, version->toStandardError),
              std::tuple(QString("Parlino 1.2\n"), 0, false));

    const auto refusal = parse({"--bogus"}).terminalAnswer("parlino-dev", "Parlino 1.2");
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->text, "parlino-dev: unrecognized option '--bogus'\n"
                             "Try 'parlino-dev --help' for more information.\n");
    EXPECT_EQ(std::tie(refusal->status, refusal->toStandardError), std::tuple(2, true));
}

} // namespace
