#include "TTS/RetryAfter.h"

#include <gtest/gtest.h>

#include <vector>

using TTS::RetryAfter::longestWait;
using TTS::RetryAfter::seconds;

namespace {

// Wed, 21 Oct 2026 07:28:00 GMT
const Base::Date now = Base::Date::fromUnixSeconds(1792567680);

struct Case {
    const char* value;
    std::optional<double> wait;
};

void expectWaits(const std::vector<Case>& cases) {
    for (const auto& [value, wait] : cases)
        EXPECT_EQ(seconds(value, now), wait) << value;
}

} // namespace

TEST(RetryAfter, TakesADateInEachOfItsThreeForms) {
    expectWaits({{"Wed, 21 Oct 2026 07:28:08 GMT", 8.0},
                 {"Wednesday, 21-Oct-26 07:28:08 GMT", 8.0},
                 {"Wed Oct 21 07:28:08 2026", 8.0},
                 {"Thu Oct  22 07:28:00 2026", 86400.0},
                 {"Thu, 31 Dec 2026 23:59:59 GMT", 6193919.0}});
}

TEST(RetryAfter, ADatePastAsksForNoWaitAndOneFarAheadForAllOfIt) {
    expectWaits({{"Wed, 21 Oct 2026 07:27:59 GMT", 0.0},
                 {"Sun, 06 Nov 1994 08:49:37 GMT", 0.0},
                 // A date with a two-digit year lies fifty years ahead at most: the latest such
                 // year past beyond that.
                 {"Tuesday, 06-Oct-76 08:49:37 GMT", longestWait},
                 {"Wednesday, 21-Oct-76 07:28:00 GMT", longestWait},
                 {"Thursday, 21-Oct-76 07:28:01 GMT", 0.0},
                 {"Saturday, 06-Nov-76 08:49:37 GMT", 0.0},
                 {"Sunday, 06-Nov-77 08:49:37 GMT", 0.0},
                 {"Fri, 31 Dec 9999 23:59:59 GMT", longestWait},
                 {"99999999999999999999999999999999", longestWait}});
}

// Repeated headers arrive joined with commas, which a date holds too.
TEST(RetryAfter, OfSeveralValuesTheFirstValidOneCounts) {
    expectWaits({{"6, 6", 6.0},
                 {"6,3", 6.0},
                 {"Wed, 21 Oct 2026 07:28:05 GMT, Wed, 21 Oct 2026 07:28:09 GMT", 5.0},
                 {"Wed, 21 Oct 2026 07:28:05 GMT, 2", 5.0},
                 {"soon, Wed, 21 Oct 2026 07:28:04 GMT", 4.0},
                 {"Wed, 32 Oct 2026 07:28:05 GMT, 3", 3.0},
                 {" , 9", 9.0}});
}

TEST(RetryAfter, AnythingElseAsksForNothing) {
    expectWaits({{"", std::nullopt},
                 {"-1", std::nullopt},
                 {"+5", std::nullopt},
                 {"1.5", std::nullopt},
                 {"5 s", std::nullopt},
                 {"soon", std::nullopt},
                 {"Wed, 21 Oct 2026 07:28:08", std::nullopt},
                 {"Wed, 21 Oct 2026 07:28:08 UTC", std::nullopt},
                 {"Wed, 21 oct 2026 07:28:08 GMT", std::nullopt},
                 {"Wed, 30 Feb 2026 07:28:08 GMT", std::nullopt},
                 {"Wed, 21 Oct 2026 24:00:00 GMT", std::nullopt},
                 {"Wed, 21 Oct 2026 7:28:08 GMT", std::nullopt},
                 {"Wed 21 Oct 2026 07:28:08 GMT", std::nullopt},
                 {"Wed,", std::nullopt},
                 {"Wednesday, 21-Oct-2026 07:28:08 GMT", std::nullopt}});
}
