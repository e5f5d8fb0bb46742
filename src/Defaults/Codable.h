#pragma once

#include "Base/Date.h"
#include "Base/Json.h"

#include <QByteArray>

#include <nlohmann/json.hpp>

#include <optional>

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
        return nlohmann::json(*json).get<T>();
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

} // namespace Defaults
