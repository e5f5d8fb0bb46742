#include "Capture/FocusHistory.h"

#include <gtest/gtest.h>

#include <QMap>

using Capture::FocusHistory;

namespace {

// Applications on the bus and their processes, as the bus would tell them; counts the questions.
class FocusHistoryTest : public ::testing::Test {
protected:
    const FocusHistory::Application* ofProcess(qint32 pid) {
        return history.ofProcess(pid, [this](const QByteArray& bus) -> std::optional<qint32> {
            ++asked[bus];
            if (!processes.contains(bus))
                return std::nullopt;
            return processes.value(bus);
        });
    }

    FocusHistory history;
    QMap<QByteArray, qint32> processes{{":1.5", 500}, {":1.6", 600}, {":1.7", 700}};
    QMap<QByteArray, int> asked;
};

std::deque<QByteArray> paths(std::initializer_list<const char*> list) {
    std::deque<QByteArray> result;
    for (const char* path : list)
        result.emplace_back(path);
    return result;
}

} // namespace

TEST_F(FocusHistoryTest, forgetsAnApplicationThatLeftTheBus) {
    history.noteFocused(":1.5", "/a/1");
    history.noteFocused(":1.6", "/b/1");
    ASSERT_NE(ofProcess(500), nullptr);

    history.noteDeparted(":1.5");
    EXPECT_EQ(ofProcess(500), nullptr);
    ASSERT_NE(history.latest(), nullptr);
    EXPECT_EQ(history.latest()->bus, ":1.6");

    history.noteDeparted(":1.6");
    EXPECT_EQ(history.latest(), nullptr);
}

TEST_F(FocusHistoryTest, keepsTheLatestFewObjectsOfAnApplicationOnceEach) {
    for (const char* path : {"/a/1", "/a/2", "/a/3", "/a/2", "/a/4", "/a/5"})
        history.noteFocused(":1.5", path);
    ASSERT_NE(history.latest(), nullptr);
    EXPECT_EQ(history.latest()->paths, paths({"/a/3", "/a/2", "/a/4", "/a/5"}));
}

TEST_F(FocusHistoryTest, keepsOnlyTheMostRecentlyFocusedApplications) {
    for (std::size_t i = 0; i < FocusHistory::rememberedApplications; ++i)
        history.noteFocused(":2." + QByteArray::number(i), "/x");
    // The first application, focused again, is the most recent: the second one goes.
    history.noteFocused(":2.0", "/y");
    history.noteFocused(":2.99", "/x");
    processes = {{":2.0", 1}, {":2.1", 2}, {":2.2", 3}};
    EXPECT_NE(ofProcess(1), nullptr);
    EXPECT_EQ(ofProcess(2), nullptr);
    EXPECT_NE(ofProcess(3), nullptr);
}

TEST_F(FocusHistoryTest, asksTheProcessOfAnApplicationOnceAndTheMostRecentFirst) {
    history.noteFocused(":1.5", "/a/1");
    history.noteFocused(":1.6", "/b/1");
    history.noteFocused(":1.7", "/c/1");

    const FocusHistory::Application* found = ofProcess(600);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->bus, ":1.6");
    EXPECT_EQ(asked, (QMap<QByteArray, int>{{":1.6", 1}, {":1.7", 1}}));

    EXPECT_EQ(ofProcess(500)->bus, ":1.5");
    EXPECT_EQ(ofProcess(600)->bus, ":1.6");
    EXPECT_EQ(asked, (QMap<QByteArray, int>{{":1.5", 1}, {":1.6", 1}, {":1.7", 1}}));
}

TEST_F(FocusHistoryTest, asksAgainForAProcessThatTheBusDidNotTell) {
    history.noteFocused(":1.8", "/d/1");
    EXPECT_EQ(ofProcess(800), nullptr);
    processes.insert(":1.8", 800);
    ASSERT_NE(ofProcess(800), nullptr);
    EXPECT_EQ(asked.value(":1.8"), 2);
}
