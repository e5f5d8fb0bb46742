#pragma once

#include "Base/Date.h"
#include "Base/Json.h"

#include <QByteArray>

#include <nlohmann/json.hpp>

#include <cmath>
#include <concepts>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>

// The JSON forms of the remaining stored types, as the settings store writes them inside JSON
// text: data as standard Base64, a date as seconds since 2001-01-01 00:00:00 UTC.
template <> struct nlohmann::adl_serializer<QByteArray> {
    static void to_json(nlohmann::json& j, const QByteArray& data) {
        j = data.toBase64().toStdString();
    }
    static void from_json(const nlohmann::json& j, QByteArray& data) {
        auto decoded =
            QByteArray::fromBase64Encoding(QByteArray::fromStdString(j.get<std::string>()),
                                           QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            throw nlohmann::json::other_error::create(501, "invalid Base64", &j);
        data = *decoded;
    }
};

template <> struct nlohmann::adl_serializer<Base::Date> {
    static void to_json(nlohmann::json& j, const Base::Date& date) {
        j = date.secondsSinceReferenceDate;
    }
    static void from_json(const nlohmann::json& j, Base::Date& date) {
        date = Base::Date{j.get<double>()};
    }
};

namespace Defaults {

// A type with its own JSON form: to_json and from_json found next to it (as the
// NLOHMANN_DEFINE_TYPE_* and NLOHMANN_JSON_SERIALIZE_ENUM macros declare them).
template <class T>
concept Codable = requires(nlohmann::json& out, const nlohmann::json& in, const T& value,
                           T& result) {
    to_json(out, value);
    from_json(in, result);
};

// Writes a value as compact JSON text with sorted keys. A value that cannot be written (a
// non-finite number, a throwing to_json) gives nothing and prints the reason on stdout.
template <class T> std::optional<QString> encodeJson(const T& value);

// Reads a value from JSON text; anything unreadable gives nothing.
template <class T> std::optional<T> decodeJson(const QString& text);

namespace detail {
std::optional<QString> writeSortedJson(const nlohmann::json& json);
void reportEncodingFailure(const char* reason);

// The arithmetic types that count as numbers: not bool, not the character types.
template <class T>
concept Number = std::floating_point<T> ||
    (std::integral<T> && !std::same_as<T, bool> && !std::same_as<T, char> &&
     !std::same_as<T, char8_t> && !std::same_as<T, char16_t> && !std::same_as<T, char32_t> &&
     !std::same_as<T, wchar_t>);

// A JSON number as a number of type T, only when T holds it: an integer type takes only JSON
// integers within its range, a floating-point type any number within its range. (nlohmann's own
// conversion wraps integers around and casts out-of-range reals, which is undefined.)
template <Number T> std::optional<T> exactNumber(const nlohmann::json& json) {
    if constexpr (std::integral<T>) {
        if (json.is_number_unsigned()) {
            const auto number = json.get<std::uint64_t>();
            return std::in_range<T>(number) ? std::optional<T>(T(number)) : std::nullopt;
        }
        if (json.is_number_integer()) {
            const auto number = json.get<std::int64_t>();
            return std::in_range<T>(number) ? std::optional<T>(T(number)) : std::nullopt;
        }
        return std::nullopt;
    } else {
        if (!json.is_number())
            return std::nullopt;
        const double number = json.get<double>();
        if (std::abs(number) > double(std::numeric_limits<T>::max()))
            return std::nullopt;
        return T(number);
    }
}
} // namespace detail

template <class T> std::optional<QString> encodeJson(const T& value) {
    try {
        return detail::writeSortedJson(nlohmann::json(value));
    } catch (const nlohmann::json::exception& error) {
        detail::reportEncodingFailure(error.what());
        return std::nullopt;
    }
}

template <class T> std::optional<T> decodeJson(const QString& text) {
    const auto json = Base::Json::parse(text.toUtf8());
    if (!json)
        return std::nullopt;
    try {
        if constexpr (detail::Number<T>)
            return detail::exactNumber<T>(nlohmann::json(*json));
        else
            return nlohmann::json(*json).get<T>();
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

} // namespace Defaults
