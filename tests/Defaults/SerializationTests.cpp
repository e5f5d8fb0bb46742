#include "Defaults/Defaults.h"

#include "Suite.h"

#include <cmath>

using Base::PropertyValue;

namespace Sample {

struct Point {
    int x = 0;
    int y = 0;
    double scale = 1;
    friend bool operator==(const Point&, const Point&) = default;
};
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(Point, y, x, scale)

enum class Theme { light, dark };
NLOHMANN_JSON_SERIALIZE_ENUM(Theme, {{Theme::light, "light"}, {Theme::dark, "dark"}})

enum class Size { small, large };
enum class Mode { fast, slow };
NLOHMANN_JSON_SERIALIZE_ENUM(Mode, {{Mode::fast, "fast"}, {Mode::slow, "slow"}})

struct Span {
    using Bound = int;
    int lowerBound;
    int upperBound;
    friend bool operator==(const Span&, const Span&) = default;
};

struct DateSpan {
    using Bound = std::optional<Base::Date>;
    Bound lowerBound;
    Bound upperBound;
};

template <class E> struct Names {
    using RawValue = QString;
    static QString rawValue(E value) { return value == E{} ? "first" : "second"; }
    static std::optional<E> fromRawValue(const QString& raw) {
        if (raw == "first")
            return E{};
        if (raw == "second")
            return E(1);
        return std::nullopt;
    }
};

} // namespace Sample

template <> struct Defaults::RawRepresentation<Sample::Theme> : Sample::Names<Sample::Theme> {};
template <> struct Defaults::RawRepresentation<Sample::Size> : Sample::Names<Sample::Size> {};
template <> struct Defaults::RawRepresentation<Sample::Mode> : Sample::Names<Sample::Mode> {};
template <> inline constexpr bool Defaults::preferRawRepresentable<Sample::Mode> = true;

namespace {

template <class T> void expectStoredAs(const T& value, const PropertyValue& expected) {
    const auto stored = Defaults::serialize(value);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(*stored, expected);
    EXPECT_EQ(Defaults::deserialize<T>(*stored), value);
}

using StringList = QList<QString>;

} // namespace

TEST(SerializationTest, NativeTypesAreStoredAsThemselves) {
    expectStoredAs(QByteArray("\x01\x02", 2), PropertyValue(QByteArray("\x01\x02", 2)));
    expectStoredAs(Base::Date{12.5}, PropertyValue(Base::Date{12.5}));
    expectStoredAs(false, PropertyValue(false));
    expectStoredAs(qint8(-8), PropertyValue(-8));
    expectStoredAs(quint16(16), PropertyValue(16));
    expectStoredAs(qint32(-32), PropertyValue(-32));
    expectStoredAs(quint32(4000000000u), PropertyValue(qint64(4000000000)));
    expectStoredAs(qint64(-64), PropertyValue(-64));
    expectStoredAs(quint64(64), PropertyValue(64));
    expectStoredAs(2.5, PropertyValue(2.5));
    expectStoredAs(0.5f, PropertyValue(0.5));
    expectStoredAs(QStringLiteral("text"), PropertyValue("text"));
    expectStoredAs(StringList{"a", "b"}, PropertyValue(PropertyValue::Array{"a", "b"}));
    expectStoredAs(std::vector<bool>{true}, PropertyValue(PropertyValue::Array{true}));
    expectStoredAs(std::optional<QString>("set"), PropertyValue("set"));
    expectStoredAs(QMap<QString, int>{{"a", 1}},
                   PropertyValue(PropertyValue::Dictionary{{"a", 1}}));
    expectStoredAs(QHash<QString, StringList>{{"a", {"b"}}},
                   PropertyValue(PropertyValue::Dictionary{{"a", PropertyValue::Array{"b"}}}));
}

TEST(SerializationTest, NativeReadingIsExact) {
    EXPECT_EQ(Defaults::deserialize<qint8>(PropertyValue(300)), std::nullopt);
    EXPECT_EQ(Defaults::deserialize<quint32>(PropertyValue(-1)), std::nullopt);
    EXPECT_EQ(Defaults::deserialize<int>(PropertyValue(1.0)), std::nullopt);
    EXPECT_EQ(Defaults::deserialize<bool>(PropertyValue(1)), std::nullopt);
    EXPECT_EQ(Defaults::deserialize<double>(PropertyValue(3)), 3.0);
    EXPECT_EQ(Defaults::deserialize<StringList>(PropertyValue(PropertyValue::Array{"a", 1})),
              StringList{});
}

TEST(SerializationTest, ANativeTypeReadsItsJsonTextToo) {
    EXPECT_EQ(Defaults::deserialize<int>(PropertyValue("5")), 5);
    EXPECT_EQ(Defaults::deserialize<int>(PropertyValue("five")), std::nullopt);
    // Read as exactly as the native values: a number that does not fit gives nothing.
    EXPECT_EQ(Defaults::deserialize<qint8>(PropertyValue("300")), std::nullopt);
    EXPECT_EQ(Defaults::deserialize<quint32>(PropertyValue("-1")), std::nullopt);
    EXPECT_EQ(Defaults::deserialize<int>(PropertyValue("2.5")), std::nullopt);
    EXPECT_EQ(Defaults::deserialize<qint64>(PropertyValue("1e300")), std::nullopt);
    EXPECT_EQ(Defaults::deserialize<float>(PropertyValue("1e300")), std::nullopt);
    EXPECT_EQ(Defaults::deserialize<float>(PropertyValue("0.5")), 0.5f);
}

TEST(SerializationTest, UnsignedValuesBeyondTheDatabasesIntegersAreStoredAsText) {
    constexpr quint64 signedMax = quint64(std::numeric_limits<qint64>::max());
    expectStoredAs(signedMax, PropertyValue(qint64(signedMax)));
    expectStoredAs(signedMax + 1, PropertyValue("9223372036854775808"));
    expectStoredAs(std::numeric_limits<quint64>::max(), PropertyValue("18446744073709551615"));
    expectStoredAs(QList<quint64>{1, signedMax + 1},
                   PropertyValue(PropertyValue::Array{1, "9223372036854775808"}));
    EXPECT_EQ(Defaults::deserialize<qint64>(PropertyValue("9223372036854775808")), std::nullopt);
}

TEST(SerializationTest, CodableValuesAreSortedKeyJsonText) {
    expectStoredAs(Sample::Point{1, 2, 0.5}, PropertyValue(R"({"scale":0.5,"x":1,"y":2})"));
    EXPECT_EQ(Defaults::deserialize<Sample::Point>(PropertyValue(R"({"x":1})")), std::nullopt);
    EXPECT_EQ(Defaults::deserialize<Sample::Point>(PropertyValue(3)), std::nullopt);
}

TEST(SerializationTest, AValueWhoseJsonCannotBeWrittenIsNotStored) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(Defaults::serialize(Sample::Point{1, 2, NAN}), std::nullopt);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "non-finite number\n");
}

TEST(SerializationTest, RawValueTypesAreStoredByRawValueOrAsJson) {
    expectStoredAs(Sample::Size::large, PropertyValue("second"));
    expectStoredAs(Sample::Mode::slow, PropertyValue("second"));
    expectStoredAs(Sample::Theme::dark, PropertyValue(R"("dark")"));
    EXPECT_EQ(Defaults::deserialize<Sample::Size>(PropertyValue("third")), std::nullopt);
}

TEST(SerializationTest, DictionariesWithOtherKeysStoreKeysAsTextAndValuesThroughTheirBridge) {
    expectStoredAs(QMap<int, int>{{-1, 5}, {2, 7}},
                   PropertyValue(PropertyValue::Dictionary{{"-1", "5"}, {"2", "7"}}));
    const PropertyValue stored(PropertyValue::Dictionary{{"1", "5"}, {"x", "6"}, {"01", "7"}});
    expectStoredAs(QMap<int, QByteArray>{{1, QByteArray("\x01", 1)}},
                   PropertyValue(PropertyValue::Dictionary{{"1", R"("AQ==")"}}));
    expectStoredAs(QMap<int, Base::Date>{{1, Base::Date{2.5}}},
                   PropertyValue(PropertyValue::Dictionary{{"1", "2.5"}}));
    using IntMap = QMap<int, int>;
    using SmallMap = QMap<qint8, int>;
    EXPECT_EQ(Defaults::deserialize<IntMap>(stored), (IntMap{{1, 5}}));
    EXPECT_EQ(
        Defaults::deserialize<SmallMap>(PropertyValue(PropertyValue::Dictionary{{"300", "1"}})),
        SmallMap{});
}

TEST(SerializationTest, BridgedCollectionsDropElementsThatDoNotConvert) {
    using Points = QList<Sample::Point>;
    expectStoredAs(Points{{1, 2, 1}},
                   PropertyValue(PropertyValue::Array{R"({"scale":1.0,"x":1,"y":2})"}));
    EXPECT_EQ(Defaults::serialize(Points{{1, 2, 1}, {0, 0, INFINITY}}),
              PropertyValue(PropertyValue::Array{R"({"scale":1.0,"x":1,"y":2})"}));
    EXPECT_EQ(Defaults::deserialize<Points>(
                  PropertyValue(PropertyValue::Array{"bad", "{\"x\":3,\"y\":4,\"scale\":1}"})),
              (Points{{3, 4, 1}}));
    expectStoredAs(std::optional<Sample::Size>(Sample::Size::small), PropertyValue("first"));
}

TEST(SerializationTest, SetsAreArraysThatCollapseDuplicates) {
    EXPECT_EQ(Defaults::serialize(QSet<QString>{"a"}), PropertyValue(PropertyValue::Array{"a"}));
    EXPECT_EQ(
        Defaults::deserialize<QSet<QString>>(PropertyValue(PropertyValue::Array{"a", "a", "b"})),
        (QSet<QString>{"a", "b"}));
}

TEST(SerializationTest, RangesAreTwoBounds) {
    expectStoredAs(Sample::Span{1, 5}, PropertyValue(PropertyValue::Array{1, 5}));
    expectStoredAs(Sample::Span{5, 1}, PropertyValue(PropertyValue::Array{5, 1}));
    EXPECT_EQ(Defaults::deserialize<Sample::Span>(PropertyValue(PropertyValue::Array{1})),
              std::nullopt);
    EXPECT_EQ(Defaults::deserialize<Sample::Span>(PropertyValue(PropertyValue::Array{1, "x"})),
              std::nullopt);
    // A bound that cannot be stored leaves the whole range unstorable.
    EXPECT_EQ(Defaults::serialize(Sample::DateSpan{Base::Date{1}, std::nullopt}), std::nullopt);
}

TEST(SerializationTest, UrlsAreJsonText) {
    expectStoredAs(QUrl("https://example.com/a b?q=1"),
                   PropertyValue(R"("https://example.com/a%20b?q=1")"));
    EXPECT_EQ(Defaults::deserialize<QUrl>(PropertyValue("https://example.com")), std::nullopt);
}

TEST(SerializationTest, UuidsAreUpperCaseText) {
    const QUuid uuid("{0f8fad5b-d9cb-469f-a165-70867728950e}");
    expectStoredAs(uuid, PropertyValue("0F8FAD5B-D9CB-469F-A165-70867728950E"));
    EXPECT_EQ(Defaults::deserialize<QUuid>(PropertyValue("0f8fad5b-d9cb-469f-a165-70867728950e")),
              uuid);
    EXPECT_EQ(Defaults::deserialize<QUuid>(PropertyValue("{0f8fad5b-d9cb-469f-a165-70867728950e}")),
              std::nullopt);
    EXPECT_EQ(Defaults::deserialize<QUuid>(PropertyValue("not a uuid")), std::nullopt);
}
