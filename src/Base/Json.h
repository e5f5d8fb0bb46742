#pragma once

#include "Base/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <nlohmann/json.hpp>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace Base::Json {
// A text as every JSON document of ours holds it: UTF-8, in which an unpaired UTF-16 surrogate
// cannot be written, so each becomes U+FFFD REPLACEMENT CHARACTER.
std::string utf8(const QString& text);
// The text of a JSON string exactly as written, a leading U+FEFF included (Qt's UTF-8 decoding
// drops one as a byte-order mark).
QString text(const std::string& utf8);
} // namespace Base::Json

// QString converts to and from JSON strings as UTF-8.
template <> struct nlohmann::adl_serializer<QString> {
    static void to_json(nlohmann::ordered_json& j, const QString& s) { j = Base::Json::utf8(s); }
    static void to_json(nlohmann::json& j, const QString& s) { j = Base::Json::utf8(s); }
    template <class BasicJson> static void from_json(const BasicJson& j, QString& s) {
        s = Base::Json::text(j.template get_ref<const std::string&>());
    }
};

namespace Base::Json {

// Ordered objects: keys are written in the order they were set.
using Value = nlohmann::ordered_json;
// Objects in key order with logarithmic lookups and inserts, for documents of many keys.
using SortedValue = nlohmann::json;

// Why a document could not be read or written.
struct Error {
    QString message;
    friend bool operator==(const Error&, const Error&) = default;
};

template <class T> using Read = Result<T, Error>;

// How deep arrays and objects may nest in a document we read. Far beyond any document of ours or
// the service's, and shallow enough for the recursive walks over a parsed tree (copies, dumps).
inline constexpr int maxDepth = 512;

// What every reader of ours refuses beyond the grammar: nesting deeper than maxDepth, and an
// object that repeats a key (which readers would otherwise settle differently: the first, the
// last, or the first valid one). Fed a parser's events; once it has refused, `error` says why.
class StructureCheck {
public:
    // An array or an object opens; false when it nests too deep.
    bool open();
    // A key of the innermost open object; false when that object already has it.
    bool key(const std::string& name);
    void close();

    const char* error = nullptr;

private:
    // The keys met so far in each open container, outermost first.
    std::vector<std::unordered_set<std::string>> m_keys;
};

// Parses a whole document; trailing garbage, invalid UTF-8, syntax errors and what StructureCheck
// refuses are errors.
Read<Value> parse(const QByteArray& bytes);
Read<SortedValue> parseSorted(const QByteArray& bytes);

// Writes a document compactly. A non-finite number anywhere in it is refused, not written as null.
Read<QByteArray> serialize(const Value& value);
Read<QByteArray> serialize(const SortedValue& value);

// Where a document is written piece by piece: takes each piece in turn, false once it failed.
using Output = std::function<bool(QByteArrayView)>;

// Writes `document` to `output` as serialize() would write it with the array of `count` elements
// under its top-level key `key`, each element built by `element` and written before the next is
// built: a long list never stands in memory, as a document tree or as text. A non-finite number
// anywhere is refused as serialize() refuses it, and an output that failed ends the writing too;
// what was written by then stays written.
Read<void> writeWithArray(Value document, const std::string& key, qsizetype count,
                          const std::function<Value(qsizetype)>& element, const Output& output);
template <class List>
Read<void> writeWithArray(Value document, const std::string& key, const List& items,
                          const Output& output) {
    return writeWithArray(
        std::move(document), key, items.size(), [&](qsizetype i) { return items[i].toJson(); },
        output);
}

// Strict typed access: a value must have exactly the JSON type asked for. Integers must be
// integral numbers that fit; a double accepts any number.
template <class T> Read<T> as(const Value& value);
template <> Read<QString> as<QString>(const Value& value);
template <> Read<qint64> as<qint64>(const Value& value);
template <> Read<double> as<double>(const Value& value);
template <> Read<bool> as<bool>(const Value& value);

// A required member of an object.
template <class T> Read<T> require(const Value& object, std::string_view key) {
    if (!object.is_object())
        return failure(Error{QStringLiteral("expected an object")});
    const auto it = object.find(key);
    if (it == object.end())
        return failure(Error{QStringLiteral("missing key \"%1\"").arg(QString::fromUtf8(key))});
    auto read = as<T>(*it);
    if (!read)
        return failure(Error{
            QStringLiteral("key \"%1\": %2").arg(QString::fromUtf8(key), read.error().message)});
    return read;
}

// An optional member: absent (or null) gives nullopt; present with the wrong type is an error.
template <class T> Read<std::optional<T>> optional(const Value& object, std::string_view key) {
    if (!object.is_object())
        return failure(Error{QStringLiteral("expected an object")});
    const auto it = object.find(key);
    if (it == object.end() || it->is_null())
        return std::optional<T>{};
    auto read = require<T>(object, key);
    if (!read)
        return failure(read.error());
    return std::optional<T>(std::move(read).value());
}

// The first failure among several reads, if any:
//     if (auto error = Json::firstError(a, b, c)) return failure(*error);
template <class... Reads> std::optional<Error> firstError(const Reads&... reads) {
    std::optional<Error> error;
    ((error || reads.hasValue() ? void() : void(error = reads.error())), ...);
    return error;
}

// An array of the items' own JSON forms (each item has toJson()).
template <class List> Value toJsonArray(const List& items) {
    Value array = Value::array();
    for (const auto& item : items)
        array.push_back(item.toJson());
    return array;
}

// An array whose every element `read` (Value -> Read<T>) accepts; one bad element fails it.
template <class T, class ReadElement> Read<QList<T>> arrayOf(const Value& json, ReadElement read) {
    if (!json.is_array())
        return failure(Error{QStringLiteral("expected an array")});
    QList<T> out;
    out.reserve(static_cast<qsizetype>(json.size()));
    for (const auto& element : json) {
        auto value = read(element);
        if (!value)
            return failure(value.error());
        out.append(std::move(value).value());
    }
    return out;
}

} // namespace Base::Json
