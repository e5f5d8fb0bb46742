#include "Base/Json.h"

#include "Base/Unicode.h"

#include <cmath>
#include <limits>

namespace Base::Json {

namespace {

Error typeError(const char* expected, const Value& value) {
    return Error{QStringLiteral("expected %1, found %2")
                     .arg(QLatin1String(expected), QLatin1String(value.type_name()))};
}

template <class Document> bool allFinite(const Document& value) {
    switch (value.type()) {
    case Document::value_t::number_float:
        return std::isfinite(value.template get<double>());
    case Document::value_t::array:
    case Document::value_t::object:
        for (const auto& element : value)
            if (!allFinite(element))
                return false;
        return true;
    default:
        return true;
    }
}

template <class Document> Read<Document> parseDocument(const QByteArray& bytes) {
    Document value = Document::parse(bytes.cbegin(), bytes.cend(), nullptr, false);
    if (value.is_discarded())
        return failure(Error{QStringLiteral("malformed JSON")});
    return value;
}

template <class Document> Read<QByteArray> serializeDocument(const Document& value) {
    if (!allFinite(value))
        return failure(Error{QStringLiteral("non-finite number")});
    const std::string text = value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return QByteArray::fromStdString(text);
}

} // namespace

std::string utf8(const QString& text) {
    if (text.isValidUtf16())
        return text.toStdString();
    QString repaired;
    repaired.reserve(text.size());
    for (const Unicode::Scalar scalar : Unicode::Scalars(text)) {
        if (scalar.length == 1 && QChar::isSurrogate(scalar.value))
            repaired += QChar(QChar::ReplacementCharacter);
        else
            repaired += QStringView(text).sliced(scalar.offset, scalar.length);
    }
    return repaired.toStdString();
}

Read<Value> parse(const QByteArray& bytes) {
    return parseDocument<Value>(bytes);
}

Read<SortedValue> parseSorted(const QByteArray& bytes) {
    return parseDocument<SortedValue>(bytes);
}

Read<QByteArray> serialize(const Value& value) {
    return serializeDocument(value);
}

Read<QByteArray> serialize(const SortedValue& value) {
    return serializeDocument(value);
}

template <> Read<QString> as<QString>(const Value& value) {
    if (!value.is_string())
        return failure(typeError("a string", value));
    return QString::fromStdString(value.get_ref<const std::string&>());
}

template <> Read<qint64> as<qint64>(const Value& value) {
    if (value.is_number_integer()) {
        if (value.is_number_unsigned() &&
            value.get<std::uint64_t>() >
                static_cast<std::uint64_t>(std::numeric_limits<qint64>::max()))
            return failure(Error{QStringLiteral("integer out of range")});
        return static_cast<qint64>(value.get<std::int64_t>());
    }
    if (value.is_number_float()) {
        // A whole number written with a fraction or exponent (1.0, 1e3) still counts.
        const double d = value.get<double>();
        if (std::isfinite(d) && std::trunc(d) == d && std::fabs(d) < 9.2e18)
            return static_cast<qint64>(d);
    }
    return failure(typeError("an integer", value));
}

template <> Read<double> as<double>(const Value& value) {
    if (!value.is_number())
        return failure(typeError("a number", value));
    return value.get<double>();
}

template <> Read<bool> as<bool>(const Value& value) {
    if (!value.is_boolean())
        return failure(typeError("a boolean", value));
    return value.get<bool>();
}

} // namespace Base::Json
