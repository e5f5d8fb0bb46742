#include "Base/Json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace Base::Json;

TEST(Json, WritesKeysInTheOrderTheyWereSet) {
    Value v = Value::object();
    v["zeta"] = 1;
    v["alpha"] = QStringLiteral("é");
    EXPECT_EQ(serialize(v).value(), QByteArray("{\"zeta\":1,\"alpha\":\"é\"}"));
}

TEST(Json, WritesAnUnpairedSurrogateAsTheReplacementCharacter) {
    const QString pair = QString::fromUcs4(U"\U0001F600");
    const QChar replacement(QChar::ReplacementCharacter);
    const QString text = QStringLiteral("a") + QChar(0xD800) + pair + QChar(0xDC00) + QChar(u'?');
    const auto written = serialize(Value{{"t", text}});
    ASSERT_TRUE(written);
    const auto read = parse(*written);
    ASSERT_TRUE(read);
    const QString expected = QStringLiteral("a") + replacement + pair + replacement + QChar(u'?');
    EXPECT_EQ(as<QString>(read->at("t")).value(), expected);

    // Long texts are converted in slices, with pairs across their edges.
    const QString longText = QStringLiteral("a") + pair.repeated(5000);
    EXPECT_EQ(utf8(longText), longText.toStdString());
    EXPECT_EQ(utf8(longText + QChar(0xD800)), (longText + replacement).toStdString());
}

TEST(Json, RefusesNonFiniteNumbersAnywhere) {
    Value v = Value::object();
    v["list"] =
        Value::array({1.0, Value::object({{"x", std::numeric_limits<double>::infinity()}})});
    EXPECT_FALSE(serialize(v));
    v["list"] = Value::array({std::numeric_limits<double>::quiet_NaN()});
    EXPECT_FALSE(serialize(v));
    v["list"] = Value::array({1.5});
    EXPECT_TRUE(serialize(v));
}

// What writeWithArray hands its output, gathered; nothing when it fails.
std::optional<QByteArray> writtenWithArray(const Value& document,
                                           const std::function<Value(qsizetype)>& element,
                                           qsizetype count) {
    QByteArray written;
    const auto result = writeWithArray(document, "items", count, element, [&](QByteArrayView p) {
        written += p;
        return true;
    });
    return result ? std::optional(written) : std::nullopt;
}

TEST(Json, AnArrayWrittenElementByElementGivesTheSameTextAsTheWholeDocument) {
    // Decoys before the key: the same key in a nested object and inside a string.
    Value document = Value::object();
    document["note"] = QStringLiteral("\"items\":null, {\"items\":null}");
    document["nested"] = Value::object({{"items", nullptr}});
    document["items"] = nullptr;
    document["after"] = Value::array({1, "]}", std::string(40000, 'x')});
    const QList<Value> items{Value::object({{"a", 0.05}}), Value::array({"x\\\"", 2}),
                             Value(nullptr)};
    const auto written = writtenWithArray(
        document, [&](qsizetype i) { return items[i]; }, items.size());

    Value whole = document;
    whole["items"] = Value::array();
    for (const auto& item : items)
        whole["items"].push_back(item);
    EXPECT_EQ(written, serialize(whole).value());
    whole["items"] = Value::array();
    EXPECT_EQ(writtenWithArray(document, {}, 0), serialize(whole).value());
}

TEST(Json, AWriteElementByElementStopsAtANonFiniteNumberOrAFailedOutput) {
    const Value document = Value::object({{"items", nullptr}, {"after", 1}});
    const auto elements = [](qsizetype i) {
        return Value::array({i == 2 ? std::numeric_limits<double>::infinity() : 1.0});
    };
    const auto refused =
        writeWithArray(document, "items", 4, elements, [](QByteArrayView) { return true; });
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message, QStringLiteral("non-finite number"));
    const Value badOutline = Value::object({{"items", nullptr}, {"n", std::nan("")}});
    EXPECT_FALSE(writeWithArray(badOutline, "items", 1, elements, [](QByteArrayView) {
        ADD_FAILURE() << "nothing is written before the whole outline is checked";
        return true;
    }));

    // Many pieces' worth of elements: the first failure ends the building and the writing.
    int pieces = 0;
    qsizetype built = 0;
    const auto stopped = writeWithArray(
        document, "items", 100000,
        [&](qsizetype) {
            ++built;
            return Value("element");
        },
        [&](QByteArrayView) { return ++pieces < 2; });
    EXPECT_FALSE(stopped);
    EXPECT_EQ(pieces, 2);
    EXPECT_LT(built, 10000);
}

TEST(Json, ParseRejectsMalformedDocuments) {
    EXPECT_FALSE(parse("{\"a\":1"));
    EXPECT_FALSE(parse("{\"a\":1} trailing"));
    EXPECT_FALSE(parse("\xff\xfe"));
    EXPECT_FALSE(parse(""));
    EXPECT_TRUE(parse(" {\"a\": [1, 2]} "));
}

TEST(Json, TypedReadingIsStrict) {
    const Value v =
        parse(R"({"s":"x","i":3,"f":2.5,"w":4.0,"b":true,"n":null,"big":18446744073709551615})")
            .value();
    EXPECT_EQ(require<QString>(v, "s").value(), QStringLiteral("x"));
    EXPECT_EQ(require<qint64>(v, "i").value(), 3);
    EXPECT_EQ(require<qint64>(v, "w").value(), 4);
    EXPECT_FALSE(require<qint64>(v, "f"));
    EXPECT_FALSE(require<qint64>(v, "big"));
    EXPECT_EQ(require<double>(v, "i").value(), 3.0);
    EXPECT_FALSE(require<QString>(v, "i"));
    EXPECT_FALSE(require<bool>(v, "i"));
    EXPECT_FALSE(require<double>(v, "missing"));
    EXPECT_FALSE(require<double>(Value::array(), "i"));
}

TEST(Json, OptionalMembersDistinguishAbsentFromWrong) {
    const Value v = parse(R"({"s":"x","n":null,"i":1})").value();
    EXPECT_EQ(optional<QString>(v, "missing").value(), std::nullopt);
    EXPECT_EQ(optional<QString>(v, "n").value(), std::nullopt);
    EXPECT_EQ(optional<QString>(v, "s").value(), QStringLiteral("x"));
    EXPECT_FALSE(optional<QString>(v, "i"));
}

TEST(Json, FirstErrorPicksTheEarliestFailure) {
    const Value v = parse(R"({"s":"x","i":1})").value();
    const auto s = require<QString>(v, "s");
    const auto missing = require<QString>(v, "missing");
    const auto wrong = require<QString>(v, "i");
    EXPECT_EQ(firstError(s), std::nullopt);
    ASSERT_TRUE(firstError(s, missing, wrong).has_value());
    EXPECT_EQ(firstError(s, missing, wrong)->message, missing.error().message);
    EXPECT_EQ(firstError(wrong, missing)->message, wrong.error().message);
}

TEST(Json, ArrayOfFailsOnTheFirstBadElement) {
    const auto readInt = [](const Value& e) { return as<qint64>(e); };
    EXPECT_EQ(arrayOf<qint64>(parse("[1,2,3]").value(), readInt).value(), QList<qint64>({1, 2, 3}));
    EXPECT_TRUE(arrayOf<qint64>(parse("[]").value(), readInt).value().isEmpty());
    EXPECT_FALSE(arrayOf<qint64>(parse(R"([1,"2"])").value(), readInt));
    EXPECT_FALSE(arrayOf<qint64>(parse(R"({"a":1})").value(), readInt));
}

namespace {

QByteArray nested(int depth, const QByteArray& inner = "1") {
    return QByteArray(depth, '[') + inner + QByteArray(depth, ']');
}

} // namespace

TEST(Json, BoundsTheNestingDepth) {
    EXPECT_TRUE(parse(nested(maxDepth)));
    EXPECT_TRUE(parseSorted(nested(maxDepth - 1, "{\"a\":1}")));
    EXPECT_FALSE(parse(nested(maxDepth + 1)));
    EXPECT_FALSE(parseSorted(nested(maxDepth, "{}")));
    // Brackets inside strings are text, not nesting.
    EXPECT_TRUE(parse("[\"" + QByteArray(100000, '[') + "\"]"));
    // Far past the bound, the parse neither builds nor tears down a deep tree.
    const auto refused = parse("{\"a\":" + nested(200000) + "}");
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message, QStringLiteral("nested too deeply"));
}

TEST(Json, RefusesAnObjectThatRepeatsAKey) {
    for (const char* text : {R"({"a":1,"a":1})", R"({"a":{"b":[],"c":1,"b":[]}})",
                             R"([{"x":1},{"x":1,"y":2,"x":3}])"}) {
        EXPECT_FALSE(parse(text)) << text;
        EXPECT_FALSE(parseSorted(text)) << text;
    }
    // The same key in different objects is no repeat.
    EXPECT_TRUE(parse(R"({"a":{"a":1},"b":{"a":1},"c":[{"a":1},{"a":2}]})"));
}

TEST(Json, ReadsALeadingByteOrderMarkInAStringAsWritten) {
    const QString bom(QChar(0xFEFF));
    for (const QString& text : {bom, bom + "x", bom + bom + "x", "x" + bom}) {
        const auto read = parse(serialize(Value{{"t", text}}).value());
        ASSERT_TRUE(read);
        EXPECT_EQ(as<QString>(read->at("t")).value(), text);
        EXPECT_EQ(read->at("t").get<QString>(), text);
    }
    // A byte-order mark before the document itself is still no part of it.
    EXPECT_EQ(parse("\xEF\xBB\xBF\"x\"").value(), Value("x"));
}
