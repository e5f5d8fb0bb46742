#include "Base/Json.h"

#include <cmath>
#include <limits>

namespace Base::Json {

namespace {

Error typeError(const char* expected, const Value& value) {
    return Error{QStringLiteral("expected %1, found %2")
                     .arg(QLatin1String(expected), QLatin1String(value.type_name()))};
}

bool allFinite(const Value& value) {
    switch (value.type()) {
    case Value::value_t::number_float:
        return std::isfinite(value.get<double>());
    case Value::value_t::array:
    case Value::value_t::object:
        for (const auto& element : value)
            if (!allFinite(element))
                return false;
        return true;
    default:
        return true;
    }
}

} // namespace

Read<Value> parse(const QByteArray& bytes) {
    Value value = Value::parse(bytes.cbegin(), bytes.cend(), nullptr, false);
    if (value.is_discarded())
        return failure(Error{QStringLiteral("malformed JSON")});
    return value;
}

Read<QByteArray> serialize(const Value& value) {
    if (!allFinite(value))
        return failure(Error{QStringLiteral("non-finite number")});
    const std::string text = value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return QByteArray::fromStdString(text);
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
