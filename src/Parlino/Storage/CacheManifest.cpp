#include "Parlino/Storage/CacheManifest.h"

#include "Parlino/Storage/StorageFiles.h"

#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace Parlino {

namespace {

using Json = nlohmann::json;

// One key of a chunk record or a word timing.
enum class Field { fileName, sizeBytes, duration, word, range, start, end, other };

Field fieldNamed(const std::string& key) {
    static const std::pair<const char*, Field> fields[] = {
        {"fileName", Field::fileName}, {"sizeBytes", Field::sizeBytes},
        {"duration", Field::duration}, {"word", Field::word},
        {"range", Field::range},       {"start", Field::start},
        {"end", Field::end},
    };
    for (const auto& [name, field] : fields)
        if (key == name)
            return field;
    return Field::other;
}

unsigned bit(Field field) {
    return 1u << unsigned(field);
}

// A JSON number as a 64-bit integer: whole and in range, however it was written.
std::optional<qint64> wholeNumber(double value) {
    if (std::isfinite(value) && std::trunc(value) == value && std::fabs(value) < 9.2e18)
        return qint64(value);
    return std::nullopt;
}

// The parser's events, depth by depth: 1 is the top object, 2 the "chunks" or "words" array,
// 3 one record or timing, 4 a timing's range. Values of unknown keys are skipped whole.
class ManifestEvents {
public:
    using number_integer_t = Json::number_integer_t;
    using number_unsigned_t = Json::number_unsigned_t;
    using number_float_t = Json::number_float_t;
    using string_t = Json::string_t;
    using binary_t = Json::binary_t;

    explicit ManifestEvents(bool chunksOnly) : m_chunksOnly(chunksOnly) {}

    CacheManifest manifest;
    QString error;
    // The chunk records were all that was asked for, and they have been read.
    bool hasReadChunks = false;

    bool isComplete() const { return m_sawChunks && m_sawWords; }

    bool null() { return scalar(); }
    bool boolean(bool) { return scalar(); }
    bool number_integer(number_integer_t value) { return number(double(value), value); }
    bool number_unsigned(number_unsigned_t value) {
        if (value > number_unsigned_t(std::numeric_limits<qint64>::max()))
            return number(double(value), std::nullopt);
        return number(double(value), qint64(value));
    }
    bool number_float(number_float_t value, const string_t&) {
        return number(value, wholeNumber(value));
    }
    bool string(string_t& value) {
        if (isIgnored())
            return true;
        if (m_depth != 3)
            return fail("unexpected string");
        if (m_field == Field::fileName && m_section == Section::chunks) {
            m_record.fileName = QString::fromStdString(value);
            if (!StorageFiles::isPlainName(m_record.fileName))
                return fail("chunk file name is not a plain name");
            return found();
        }
        if (m_field == Field::word && m_section == Section::words) {
            m_word.word = QString::fromStdString(value);
            return found();
        }
        return fail("a key holds a string");
    }
    bool binary(binary_t&) { return fail("binary value"); }

    bool start_object(std::size_t) {
        if (isIgnored())
            return skip();
        if (m_depth == 2) {
            m_record = {};
            m_word = {};
            m_seen = 0;
        } else if (m_depth != 0) {
            return fail("unexpected object");
        }
        ++m_depth;
        return true;
    }
    bool key(string_t& key) {
        if (skipping())
            return true;
        if (m_depth == 1)
            m_section = key == "chunks"  ? Section::chunks
                        : key == "words" ? Section::words
                                         : Section::other;
        else
            m_field = fieldNamed(key);
        return true;
    }
    bool end_object() {
        if (unskip())
            return true;
        --m_depth;
        if (m_depth == 0)
            return isComplete() || fail("incomplete cache manifest");
        return m_depth != 2 || finishElement();
    }
    bool start_array(std::size_t) {
        if (isIgnored())
            return skip();
        if (m_depth == 1) {
            if (m_section == Section::chunks) {
                m_sawChunks = true;
                manifest.chunks.clear();
            } else {
                m_sawWords = true;
                manifest.words.clear();
            }
        } else if (m_depth == 3 && m_field == Field::range && m_section == Section::words) {
            m_rangeCount = 0;
        } else {
            return fail("unexpected array");
        }
        ++m_depth;
        return true;
    }
    bool end_array() {
        if (unskip())
            return true;
        --m_depth;
        if (m_depth == 3) {
            if (m_rangeCount != 2)
                return fail("\"range\" must hold two integers");
            return found();
        }
        hasReadChunks = m_depth == 1 && m_chunksOnly && m_section == Section::chunks;
        return !hasReadChunks; // stops the parse
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) {
        if (error.isEmpty())
            error = QString::fromUtf8(e.what());
        return false;
    }

private:
    enum class Section { chunks, words, other };

    bool skipping() const { return m_skipFrom >= 0; }
    bool skip() {
        if (!skipping())
            m_skipFrom = m_depth;
        ++m_depth;
        return true;
    }
    // Closes one container of a skipped value; true while the value was being skipped.
    bool unskip() {
        if (!skipping())
            return false;
        if (--m_depth == m_skipFrom)
            m_skipFrom = -1;
        return true;
    }
    bool fail(const char* why) {
        error = QString::fromUtf8(why);
        return false;
    }
    bool isKnown() const {
        const Field field = m_field;
        if (m_section == Section::chunks)
            return field == Field::fileName || field == Field::sizeBytes ||
                   field == Field::duration;
        return field == Field::word || field == Field::range || field == Field::start ||
               field == Field::end;
    }
    bool found() {
        m_seen |= bit(m_field);
        return true;
    }

    // A value inside a skipped one, or of an unknown key.
    bool isIgnored() const {
        return skipping() || (m_depth == 1 && m_section == Section::other) ||
               (m_depth == 3 && !isKnown());
    }
    bool scalar() { return isIgnored() || fail("unexpected value"); }
    bool number(double value, std::optional<qint64> whole) {
        if (isIgnored())
            return true;
        if (m_depth == 4) {
            if (!whole || m_rangeCount >= 2)
                return fail("\"range\" must hold two integers");
            (m_rangeCount++ == 0 ? m_word.range.lower : m_word.range.upper) = *whole;
            return true;
        }
        if (m_depth != 3)
            return fail("unexpected number");
        switch (m_field) {
        case Field::sizeBytes:
            if (!whole)
                return fail("\"sizeBytes\" is not an integer");
            m_record.sizeBytes = *whole;
            break;
        case Field::duration:
            m_record.duration = value;
            break;
        case Field::start:
            m_word.start = value;
            break;
        case Field::end:
            m_word.end = value;
            break;
        default:
            return fail("a key holds a number");
        }
        return found();
    }
    bool finishElement() {
        if (m_section == Section::chunks) {
            if (m_seen != (bit(Field::fileName) | bit(Field::sizeBytes) | bit(Field::duration)))
                return fail("incomplete chunk record");
            manifest.chunks.append(m_record);
            return true;
        }
        if (m_seen != (bit(Field::word) | bit(Field::range) | bit(Field::start) | bit(Field::end)))
            return fail("incomplete word timing");
        if (m_word.range.lower > m_word.range.upper)
            return fail("\"range\" lower bound exceeds its upper bound");
        manifest.words.append(m_word);
        return true;
    }

    const bool m_chunksOnly;
    int m_depth = 0;
    int m_skipFrom = -1; // depth at which the skipped value started
    Section m_section = Section::other;
    Field m_field = Field::other;
    bool m_sawChunks = false;
    bool m_sawWords = false;
    unsigned m_seen = 0; // bits of the fields found in the current element
    int m_rangeCount = 0;
    ChunkFiles::Record m_record;
    Core::WordTiming m_word;
};

} // namespace

Base::Json::Value CacheManifest::toJson() const {
    Base::Json::Value json = Base::Json::Value::object();
    json["chunks"] = ChunkFiles::toJson(chunks);
    json["words"] = Core::toJson(words);
    return json;
}

Base::Json::Read<CacheManifest> CacheManifest::decode(const QByteArray& bytes) {
    ManifestEvents events(false);
    if (!Json::sax_parse(bytes.cbegin(), bytes.cend(), &events))
        return Base::failure(Base::Json::Error{events.error});
    return std::move(events.manifest);
}

Base::Json::Read<QList<ChunkFiles::Record>> CacheManifest::decodeChunks(const QByteArray& bytes) {
    ManifestEvents events(true);
    if (!Json::sax_parse(bytes.cbegin(), bytes.cend(), &events) && !events.hasReadChunks)
        return Base::failure(Base::Json::Error{events.error});
    if (!events.hasReadChunks)
        return Base::failure(Base::Json::Error{QStringLiteral("no chunk records")});
    return std::move(events.manifest.chunks);
}

} // namespace Parlino
