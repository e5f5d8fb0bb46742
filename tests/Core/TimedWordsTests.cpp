#include "Core/TimedWords.h"

#include <QThread>

#include <gtest/gtest.h>

using Core::TimedWords;
using Core::WordTiming;

namespace {

// Words whose texts repeat every `distinct` words, each one at a different place and time.
QList<WordTiming> words(qsizetype count, qsizetype distinct = 7, double from = 0) {
    QList<WordTiming> result;
    for (qsizetype i = 0; i < count; ++i)
        result.append({QStringLiteral("w%1").arg(i % distinct),
                       {i * 3, i * 3 + 2},
                       from + double(i) * 0.25,
                       from + double(i) * 0.25 + 0.2});
    return result;
}

} // namespace

TEST(TimedWords, GivesBackEveryWordAcrossBlocks) {
    // Past two blocks' worth, with texts both repeating and unique, and ranges beyond 32 bits
    // (as only a damaged file could give) from the middle of a block on.
    QList<WordTiming> given = words(2500, 7) + words(700, 100000, 1e6);
    given[1500].range = {-4, 7};
    given[1600].range = {qint64(1) << 40, (qint64(1) << 40) + 3};
    given[2300].range = {5, 5 + (qint64(1) << 33)};
    const TimedWords stored(given);
    ASSERT_EQ(stored.size(), given.size());
    EXPECT_EQ(stored.toList(), given);
    EXPECT_EQ(stored.first(), given.first());
    EXPECT_EQ(stored.last(), given.last());
    for (const qsizetype i :
         {qsizetype(0), qsizetype(1023), qsizetype(1024), qsizetype(1499), qsizetype(1500),
          qsizetype(2047), qsizetype(2048), qsizetype(2300), given.size() - 1}) {
        EXPECT_EQ(stored[i], given[i]) << i;
        EXPECT_EQ(stored.start(i), given[i].start) << i;
    }
    QList<WordTiming> walked;
    for (const WordTiming& word : stored)
        walked.append(word);
    EXPECT_EQ(walked, given);
}

TEST(TimedWords, CopiesStayAsTheyWereWhileTheOriginalGrows) {
    const QList<WordTiming> given = words(3000);
    TimedWords growing;
    QList<TimedWords> snapshots;
    for (qsizetype i = 0; i < given.size(); ++i) {
        growing.append(given[i]);
        if (i % 337 == 0)
            snapshots.append(growing);
    }
    for (const TimedWords& snapshot : snapshots)
        EXPECT_EQ(snapshot.toList(), given.first(snapshot.size()));
    EXPECT_EQ(growing.toList(), given);

    // A copy that grows on its own leaves the one it came from alone, and the other way round.
    TimedWords branch = snapshots[2];
    branch.append({QStringLiteral("other"), {1, 2}, 1e9, 1e9});
    EXPECT_EQ(snapshots[2].toList(), given.first(snapshots[2].size()));
    EXPECT_EQ(branch.last().word, QStringLiteral("other"));
    EXPECT_EQ(branch.size(), snapshots[2].size() + 1);
}

TEST(TimedWords, ACopyReadOnAnotherThreadIsUntouchedByAppends) {
    const QList<WordTiming> given = words(20000, 300);
    TimedWords growing(given.first(1500));
    const TimedWords handedOver = growing;
    QList<WordTiming> seen;
    QThread* reader = QThread::create([&] {
        for (int pass = 0; pass < 20; ++pass)
            seen = handedOver.toList();
    });
    reader->start();
    for (qsizetype i = 1500; i < given.size(); ++i)
        growing.append(given[i]);
    reader->wait();
    delete reader;
    EXPECT_EQ(seen, given.first(1500));
    EXPECT_EQ(growing.toList(), given);
}

TEST(TimedWords, EqualityComparesTheWordsNotTheBlocks) {
    const QList<WordTiming> given = words(1500);
    TimedWords a(given);
    const TimedWords b(given);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, TimedWords(a));
    TimedWords changed(given.first(1499));
    changed.append({given.last().word, given.last().range, given.last().start, 99});
    EXPECT_NE(a, changed);
    a.append(given.first());
    EXPECT_NE(a, b);
    a = {};
    EXPECT_TRUE(a.isEmpty());
    EXPECT_EQ(a, TimedWords());
}
