#include "Base/Log.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <clocale>

using Base::formatLogMessage;
using Base::LogArg;

TEST(LogFormat, DropsPrivacyDecorationsAndFormatsArguments) {
    EXPECT_EQ(formatLogMessage("chunk %{public}d of %{public}lld: %{public}s",
                               {LogArg(2), LogArg(qint64(5)), LogArg(QStringLiteral("ok"))}),
              QStringLiteral("chunk 2 of 5: ok"));
    EXPECT_EQ(formatLogMessage("idHash=%{public}llu", {LogArg(quint64(14695981039346656037ULL))}),
              QStringLiteral("idHash=14695981039346656037"));
    EXPECT_EQ(formatLogMessage("100%% done", {}), QStringLiteral("100% done"));
}

TEST(LogFormat, BoolDecorationPrintsTrueOrFalse) {
    EXPECT_EQ(formatLogMessage("cleared=%{bool,public}d", {LogArg(true)}),
              QStringLiteral("cleared=true"));
    EXPECT_EQ(formatLogMessage("cleared=%{bool}d", {LogArg(0)}), QStringLiteral("cleared=false"));
    EXPECT_EQ(formatLogMessage("plain=%d", {LogArg(true)}), QStringLiteral("plain=1"));
}

TEST(LogFormat, NumbersIgnoreTheProcessLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // may be missing; the check holds either way
    EXPECT_EQ(formatLogMessage("rate %{public}.2f in %.3fs", {LogArg(1.25), LogArg(0.5)}),
              QStringLiteral("rate 1.25 in 0.500s"));
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(LogFormat, ToleratesMissingArgumentsAndMismatchedTypes) {
    EXPECT_EQ(formatLogMessage("a=%d b=%s", {LogArg(1)}), QStringLiteral("a=1 b="));
    EXPECT_EQ(formatLogMessage("name=%d", {LogArg(QStringLiteral("x"))}), QStringLiteral("name=x"));
    EXPECT_EQ(formatLogMessage("n=%{public}@", {LogArg(QStringLiteral("obj"))}),
              QStringLiteral("n=obj"));
    EXPECT_EQ(formatLogMessage("[%-4s|%4d]", {LogArg("ab"), LogArg(7)}),
              QStringLiteral("[ab  |   7]"));
}

TEST(LogFormat, WritesAnUnfinishedConversionAsItStands) {
    EXPECT_EQ(formatLogMessage("done 100%", {LogArg(5)}), QStringLiteral("done 100%"));
    EXPECT_EQ(formatLogMessage("n=%d %{public", {LogArg(1), LogArg(2)}),
              QStringLiteral("n=1 %{public"));
}

TEST(Log, WritesSubsystemCategoryAndLevelToSinks) {
    TestSupport::LogCapture capture;
    Base::Log("tts").error("HTTP %{public}d", 429);
    const auto records = capture.sink->records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].subsystem, QStringLiteral("com.parlino.app"));
    EXPECT_EQ(records[0].category, QStringLiteral("tts"));
    EXPECT_EQ(records[0].level, Base::LogLevel::error);
    EXPECT_EQ(records[0].message, QStringLiteral("HTTP 429"));
    EXPECT_EQ(capture.messages(QStringLiteral("audio")), QStringList());
}
