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

// Parses with the structure checked on the way, so that a refused document is never built (its
// tree would be as deep as it is, and tearing it down or copying it recursive).
template <class Document> Read<Document> parseDocument(const QByteArray& bytes) {
    using Event = typename Document::parse_event_t;
    StructureCheck check;
    const auto checked = [&check](int, Event event, Document& parsed) {
        if (check.error)
            return false; // discards everything that is left
        switch (event) {
        case Event::object_start:
        case Event::array_start:
            return check.open();
        case Event::key:
            return check.key(parsed.template get_ref<const std::string&>());
        case Event::object_end:
        case Event::array_end:
            check.close();
            return true;
        case Event::value:
            return true;
        }
        return true;
    };
    Document value = Document::parse(bytes.cbegin(), bytes.cend(), checked, false);
    if (check.error)
        return failure(Error{QString::fromLatin1(check.error)});
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

QString text(const std::string& utf8) {
    return Unicode::fromUtf8Exactly(QByteArrayView(utf8.data(), qsizetype(utf8.size())));
}

bool StructureCheck::open() {
    if (m_keys.size() >= std::size_t(maxDepth)) {
        error = "nested too deeply";
        return false;
    }
    m_keys.emplace_back();
    return true;
}

bool StructureCheck::key(const std::string& name) {
    if (!m_keys.empty() && !m_keys.back().insert(name).second) {
        error = "repeated key";
        return false;
    }
    return true;
}

void StructureCheck::close() {
    if (!m_keys.empty())
        m_keys.pop_back();
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

namespace {

// Where the value of the top-level key `key` (written as `"key":`) starts in a compact document;
// -1 when it has no such key. Keys of nested objects and text inside strings are passed over.
qsizetype topLevelValue(const QByteArray& document, const QByteArray& key) {
    int depth = 0;
    bool inString = false;
    for (qsizetype i = 0; i < document.size(); ++i) {
        const char c = document[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            --depth;
        } else if (c == '"') {
            if (depth == 1 && document.mid(i, key.size()) == key)
                return i + key.size();
            inString = true;
        }
    }
    return -1;
}

} // namespace

Read<QByteArray> serializeWithArray(Value document, const std::string& key, qsizetype count,
                                    const std::function<Value(qsizetype)>& element) {
    document[key] = nullptr;
    const auto outline = serialize(document);
    if (!outline)
        return outline;
    const qsizetype at =
        topLevelValue(*outline, QByteArray::fromStdString(Value(key).dump()) + ':');
    QByteArray written = outline->left(at);
    written += '[';
    for (qsizetype i = 0; i < count; ++i) {
        const auto item = serialize(element(i));
        if (!item)
            return item;
        if (i > 0)
            written += ',';
        written += *item;
    }
    written += ']';
    written += outline->mid(at + qsizetype(sizeof("null") - 1));
    return written;
}

template <> Read<QString> as<QString>(const Value& value) {
    if (!value.is_string())
        return failure(typeError("a string", value));
    return text(value.get_ref<const std::string&>());
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
