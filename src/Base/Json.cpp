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

// Converted a slice at a time: Qt converts a text into a buffer of three bytes for each of its
// code units, which for a long read is three times the text. Valid UTF-16 only.
std::string validUtf8(QStringView text) {
    constexpr qsizetype sliceLength = 4096;
    std::string converted;
    converted.reserve(std::size_t(text.size()));
    while (!text.isEmpty()) {
        qsizetype length = std::min(sliceLength, text.size());
        // A pair of surrogates stays whole.
        if (length < text.size() && text[length - 1].isHighSurrogate())
            --length;
        const QByteArray slice = text.first(length).toUtf8();
        converted.append(slice.constData(), std::size_t(slice.size()));
        text = text.sliced(length);
    }
    return converted;
}

} // namespace

std::string utf8(const QString& text) {
    if (text.isValidUtf16())
        return validUtf8(text);
    QString repaired;
    repaired.reserve(text.size());
    for (const Unicode::Scalar scalar : Unicode::Scalars(text)) {
        if (scalar.length == 1 && QChar::isSurrogate(scalar.value))
            repaired += QChar(QChar::ReplacementCharacter);
        else
            repaired += QStringView(text).sliced(scalar.offset, scalar.length);
    }
    return validUtf8(repaired);
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

// Writes values as Value::dump() writes them compactly, straight to an output in pieces of a few
// kilobytes rather than into a text of their own.
class PieceWriter final : public nlohmann::detail::output_adapter_protocol<char> {
public:
    explicit PieceWriter(const Output& output) : m_output(output) { m_pieces.reserve(pieceBytes); }

    bool hasFailed() const { return m_failed; }
    void write(const Value& value) { m_serializer.dump(value, false, false, 0); }
    void write_character(char c) override {
        m_pieces.push_back(c);
        if (m_pieces.size() >= pieceBytes)
            flush();
    }
    void write_characters(const char* s, std::size_t length) override {
        m_pieces.append(s, length);
        if (m_pieces.size() >= pieceBytes)
            flush();
    }
    // Hands over what is gathered; false once the output failed.
    bool flush() {
        m_failed = m_failed || !m_output(QByteArrayView(m_pieces));
        m_pieces.clear();
        return !m_failed;
    }

private:
    static constexpr std::size_t pieceBytes = 16 * 1024;
    const Output& m_output;
    std::string m_pieces;
    bool m_failed = false;
    // Writes to this object, which outlives it: the shared pointer owns nothing.
    nlohmann::detail::serializer<Value> m_serializer{
        nlohmann::detail::output_adapter_t<char>(this, [](auto*) {}), ' ',
        nlohmann::json::error_handler_t::replace};
};

} // namespace

// The document's members one at a time, as dump() writes an object, the array's elements built
// and checked in turn where its value would be.
Read<void> writeWithArray(Value document, const std::string& key, qsizetype count,
                          const std::function<Value(qsizetype)>& element, const Output& output) {
    document[key] = Value::array();
    if (!allFinite(document))
        return failure(Error{QStringLiteral("non-finite number")});
    const Error outputFailed{QStringLiteral("output failed")};
    PieceWriter writer(output);
    writer.write_character('{');
    for (auto member = document.cbegin(); member != document.cend(); ++member) {
        if (member != document.cbegin())
            writer.write_character(',');
        writer.write(Value(member.key()));
        writer.write_character(':');
        if (member.key() != key) {
            writer.write(member.value());
            continue;
        }
        writer.write_character('[');
        for (qsizetype i = 0; i < count; ++i) {
            const Value item = element(i);
            if (!allFinite(item))
                return failure(Error{QStringLiteral("non-finite number")});
            if (i > 0)
                writer.write_character(',');
            writer.write(item);
            if (writer.hasFailed())
                return failure(outputFailed);
        }
        writer.write_character(']');
    }
    writer.write_character('}');
    if (!writer.flush())
        return failure(outputFailed);
    return {};
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
