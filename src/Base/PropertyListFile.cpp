#include "Base/PropertyListFile.h"

#include <cmath>
#include <limits>

namespace Base::PropertyListFile {

namespace {

constexpr const char* formatName = "parlino-defaults";
constexpr int formatVersion = 1;

// A settings file may hold thousands of keys: objects with logarithmic lookups.
using Document = Json::SortedValue;

Document encodeReal(double real) {
    if (std::isnan(real))
        return "nan";
    if (std::isinf(real))
        return real > 0 ? "inf" : "-inf";
    return real;
}

Document encodeValue(const PropertyValue& value);

Document encodeString(const QString& text) {
    if (text.isValidUtf16())
        return {{"string", text}};
    Document units = Document::array();
    for (const QChar unit : text)
        units.push_back(unit.unicode());
    return {{"utf16", std::move(units)}};
}

Document encodeDictionary(const PropertyValue::Dictionary& dictionary) {
    Document object = Document::object();
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
        object[Json::utf8(it.key())] = encodeValue(it.value());
    return object;
}

Document encodeValue(const PropertyValue& value) {
    using Type = PropertyValue::Type;
    switch (value.type()) {
    case Type::data:
        return {{"data", value.as<QByteArray>()->toBase64().toStdString()}};
    case Type::date:
        return {{"date", encodeReal(value.as<Date>()->secondsSinceReferenceDate)}};
    case Type::boolean:
        return {{"bool", *value.as<bool>()}};
    case Type::integer:
        return {{"integer", *value.as<qint64>()}};
    case Type::real:
        return {{"real", encodeReal(*value.as<double>())}};
    case Type::string:
        return encodeString(*value.as<QString>());
    case Type::array: {
        Document array = Document::array();
        for (const auto& element : *value.as<PropertyValue::Array>())
            array.push_back(encodeValue(element));
        return {{"array", std::move(array)}};
    }
    case Type::dictionary:
        return {{"dictionary", encodeDictionary(*value.as<PropertyValue::Dictionary>())}};
    }
    Q_UNREACHABLE();
}

Json::Error invalid(const char* what) {
    return Json::Error{QStringLiteral("invalid %1").arg(QLatin1String(what))};
}

Json::Read<double> decodeReal(const Document& json) {
    if (json.is_number())
        return json.get<double>();
    if (json == "nan")
        return std::nan("");
    if (json == "inf")
        return HUGE_VAL;
    if (json == "-inf")
        return -HUGE_VAL;
    return failure(invalid("real"));
}

Json::Read<PropertyValue> decodeValue(const Document& json);

Json::Read<PropertyValue> decodeUtf16(const Document& json) {
    if (!json.is_array())
        return failure(invalid("utf16"));
    QString text;
    text.reserve(qsizetype(json.size()));
    for (const Document& unit : json) {
        if (!unit.is_number_unsigned() || unit.get<quint64>() > 0xFFFF)
            return failure(invalid("utf16"));
        text += QChar(char16_t(unit.get<quint64>()));
    }
    return PropertyValue(std::move(text));
}

Json::Read<PropertyValue::Dictionary> decodeDictionary(const Document& json) {
    if (!json.is_object())
        return failure(invalid("dictionary"));
    PropertyValue::Dictionary dictionary;
    for (const auto& [key, member] : json.items()) {
        auto value = decodeValue(member);
        if (!value)
            return failure(value.error());
        dictionary.insert(Json::text(key), std::move(value).value());
    }
    return dictionary;
}

Json::Read<PropertyValue> decodeTagged(std::string_view tag, const Document& json) {
    if (tag == "string" && json.is_string())
        return PropertyValue(Json::text(json.get_ref<const std::string&>()));
    if (tag == "utf16")
        return decodeUtf16(json);
    if (tag == "integer" && json.is_number_integer() &&
        !(json.is_number_unsigned() &&
          json.get<quint64>() > quint64(std::numeric_limits<qint64>::max())))
        return PropertyValue(json.get<qint64>());
    if (tag == "bool" && json.is_boolean())
        return PropertyValue(json.get<bool>());
    if (tag == "real" || tag == "date") {
        auto real = decodeReal(json);
        if (!real)
            return failure(real.error());
        return tag == "real" ? PropertyValue(*real) : PropertyValue(Date{*real});
    }
    if (tag == "data" && json.is_string()) {
        auto decoded =
            QByteArray::fromBase64Encoding(QByteArray::fromStdString(json.get<std::string>()),
                                           QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return failure(invalid("data"));
        return PropertyValue(*decoded);
    }
    if (tag == "array" && json.is_array()) {
        PropertyValue::Array array;
        for (const auto& element : json) {
            auto value = decodeValue(element);
            if (!value)
                return failure(value.error());
            array.append(std::move(value).value());
        }
        return PropertyValue(std::move(array));
    }
    if (tag == "dictionary") {
        auto dictionary = decodeDictionary(json);
        if (!dictionary)
            return failure(dictionary.error());
        return PropertyValue(std::move(dictionary).value());
    }
    return failure(invalid("value"));
}

// The walk is recursive: the parse has bounded the nesting depth.
Json::Read<PropertyValue> decodeValue(const Document& json) {
    if (!json.is_object() || json.size() != 1)
        return failure(invalid("value"));
    const auto member = json.begin();
    return decodeTagged(member.key(), member.value());
}

} // namespace

QByteArray encode(const PropertyValue::Dictionary& values) {
    const Document document = {
        {"format", formatName}, {"version", formatVersion}, {"values", encodeDictionary(values)}};
    // Every number in the document is finite, so writing cannot be refused.
    return Json::serialize(document).value();
}

Json::Read<PropertyValue::Dictionary> decode(const QByteArray& bytes) {
    auto document = Json::parseSorted(bytes);
    if (!document)
        return failure(document.error());
    // Members are compared where they stand: a copy of an arbitrary one would be a deep walk.
    const auto holds = [&](const char* key, const auto& expected) {
        const auto member = document->find(key);
        return member != document->end() && *member == expected;
    };
    if (!document->is_object() || !holds("format", formatName) || !holds("version", formatVersion))
        return failure(Json::Error{QStringLiteral("not a settings file of this version")});
    const auto values = document->find("values");
    if (values == document->end())
        return failure(Json::Error{QStringLiteral("missing key \"values\"")});
    return decodeDictionary(*values);
}

} // namespace Base::PropertyListFile
