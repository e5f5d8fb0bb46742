#include "Base/Date.h"
#include "Base/Result.h"

#include <QString>

#include <gtest/gtest.h>

#include <limits>

TEST(Date, CountsSecondsFromTheStartOf2001Utc) {
    const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    EXPECT_EQ(Base::Date::fromDateTime(reference).secondsSinceReferenceDate, 0.0);
    const Base::Date later{86400.5};
    EXPECT_EQ(later.toDateTime(), QDateTime(QDate(2001, 1, 2), QTime(0, 0, 0, 500), Qt::UTC));
    EXPECT_EQ(Base::Date::fromUnixSeconds(0).secondsSinceReferenceDate, -978307200.0);
}

TEST(Date, OutOfRangeValuesGiveAnInvalidDateTime) {
    EXPECT_FALSE(Base::Date{std::numeric_limits<double>::quiet_NaN()}.toDateTime().isValid());
    EXPECT_FALSE(Base::Date{1e300}.toDateTime().isValid());
}

namespace {
Base::Result<int, QString> half(int n) {
    if (n % 2 != 0)
        return Base::failure(QStringLiteral("odd"));
    return n / 2;
}
Base::Result<void, QString> check(bool ok) {
    if (!ok)
        return Base::failure(QStringLiteral("no"));
    return {};
}
} // namespace

TEST(Result, CarriesEitherAValueOrAnError) {
    const auto good = half(8);
    ASSERT_TRUE(good);
    EXPECT_EQ(*good, 4);
    const auto bad = half(3);
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error(), QStringLiteral("odd"));
    EXPECT_EQ(bad.valueOr(-1), -1);
    EXPECT_TRUE(check(true));
    EXPECT_EQ(check(false).error(), QStringLiteral("no"));
}
