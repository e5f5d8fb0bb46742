#include "Defaults/AnySerializable.h"
#include "Defaults/Defaults.h"

#include "Suite.h"

#include <QSet>

#include <limits>

using Base::PropertyValue;
using Defaults::AnySerializable;

namespace {

class AnySerializableTest : public SuiteTest {};

} // namespace

TEST_F(AnySerializableTest, EmptyValuesStandForNoValue) {
    for (const AnySerializable& empty : {AnySerializable(), AnySerializable(std::nullopt),
                                         AnySerializable(std::optional<PropertyValue>())}) {
        EXPECT_TRUE(empty.isNil());
        EXPECT_EQ(empty, AnySerializable());
    }
    const Defaults::Key<AnySerializable> extra("extra", AnySerializable(), suite);
    EXPECT_EQ(stored("extra"), std::nullopt);
    EXPECT_TRUE(extra.isDefaultValue());
    Defaults::set(extra, 5);
    EXPECT_EQ(stored("extra"), PropertyValue(5));
    Defaults::set(extra, AnySerializable());
    EXPECT_EQ(stored("extra"), std::nullopt);
}

TEST_F(AnySerializableTest, ValuesAreEqualOnlyWithTheSameTypeAndContents) {
    EXPECT_EQ(AnySerializable(5), AnySerializable(qint64(5)));
    EXPECT_EQ(AnySerializable(quint8(5)), AnySerializable(5));
    EXPECT_NE(AnySerializable(5), AnySerializable(5.0));
    EXPECT_NE(AnySerializable(1), AnySerializable(true));
    EXPECT_NE(AnySerializable("5"), AnySerializable(5));
    const QByteArray bytes("\x01\x02", 2);
    EXPECT_EQ(AnySerializable(bytes), AnySerializable(QByteArray("\x01\x02", 2)));
    const AnySerializable mixed(QList<AnySerializable>{1, "a"});
    EXPECT_EQ(mixed, AnySerializable(QList<AnySerializable>{1, "a"}));
    EXPECT_NE(mixed, AnySerializable(QList<AnySerializable>{"a", 1}));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_NE(AnySerializable(nan), AnySerializable(nan));
}

TEST_F(AnySerializableTest, EqualValuesHashAlike) {
    EXPECT_EQ(qHash(AnySerializable(0.0)), qHash(AnySerializable(-0.0)));
    EXPECT_EQ(AnySerializable(0.0), AnySerializable(-0.0));
    const QSet<AnySerializable> set{AnySerializable(QByteArray("ab")), AnySerializable(0.0),
                                    AnySerializable(QList<AnySerializable>{1, "a"}),
                                    AnySerializable()};
    EXPECT_TRUE(set.contains(AnySerializable(QByteArray("ab"))));
    EXPECT_TRUE(set.contains(AnySerializable(-0.0)));
    EXPECT_TRUE(set.contains(AnySerializable(QList<AnySerializable>{1, "a"})));
    EXPECT_TRUE(set.contains(AnySerializable()));
    EXPECT_FALSE(set.contains(AnySerializable(0)));
}

TEST_F(AnySerializableTest, HoldsTheStoredFormAndReadsItBackAsAnyType) {
    const QUrl url(QStringLiteral("https://example.com/a b"));
    AnySerializable value(url);
    EXPECT_EQ(value.value(), Defaults::serialize(url));
    ASSERT_NE(value.value()->as<QString>(), nullptr);
    EXPECT_EQ(value.get<QUrl>(), url);
    EXPECT_EQ(value.get<int>(), std::nullopt);

    value.set<int>(7);
    EXPECT_EQ(value.get<int>(), 7);
    EXPECT_EQ(value.get<double>(), 7.0);
    EXPECT_EQ(value.get<QString>(), std::nullopt);
    value.set<quint64>(std::numeric_limits<quint64>::max());
    EXPECT_EQ(value.get<quint64>(), std::numeric_limits<quint64>::max());
    EXPECT_EQ(value.get<int>(), std::nullopt);
}

TEST_F(AnySerializableTest, KeysOfMixedValuesStoreEachValueAsItself) {
    const Defaults::Key<AnySerializable> extra("extra", 5, suite);
    EXPECT_EQ(stored("extra"), PropertyValue(5));
    Defaults::set(extra, QStringLiteral("text"));
    EXPECT_EQ(Defaults::get(extra).get<QString>(), QStringLiteral("text"));

    const Defaults::Key<QList<AnySerializable>> list("list", {}, suite);
    Defaults::set(list, {1, "a", AnySerializable(), true});
    EXPECT_EQ(stored("list"), PropertyValue(PropertyValue::Array{1, "a", true}));
    EXPECT_EQ(Defaults::get(list), (QList<AnySerializable>{1, "a", true}));

    const Defaults::Key<QMap<QString, AnySerializable>> map("map", {}, suite);
    Defaults::set(map, {{"n", 1}, {"s", "x"}});
    EXPECT_EQ(stored("map"), PropertyValue(PropertyValue::Dictionary{{"n", 1}, {"s", "x"}}));
}
