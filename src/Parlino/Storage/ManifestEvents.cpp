#include "Parlino/Storage/ManifestEvents.h"

#include "Parlino/Storage/StorageFiles.h"

#include <cmath>
#include <istream>
#include <limits>
#include <memory>
#include <optional>
#include <streambuf>
#include <string_view>
#include <utility>

namespace Parlino {

namespace {

template <class Enum> unsigned bit(Enum value) {
    return 1u << unsigned(value);
}

// A JSON number as a 64-bit integer: whole and in range, however it was written.
std::optional<qint64> wholeNumber(double value) {
    if (std::isfinite(value) && std::trunc(value) == value && std::fabs(value) < 9.2e18)
        return qint64(value);
    return std::nullopt;
}

// A file's text as the parser takes it in: a piece at a time, through a buffer of a fixed size.
class FileText final : public std::streambuf {
public:
    explicit FileText(Base::Files::RegularInput& input) : m_input(input) {}

    // What ended the text before the end of the file, if anything.
    std::error_code error;

protected:
    int_type underflow() override {
        const auto count = m_input.read(m_buffer.get(), bufferBytes);
        if (!count)
            error = count.error();
        if (!count || *count == 0)
            return traits_type::eof();
        setg(m_buffer.get(), m_buffer.get(), m_buffer.get() + *count);
        return traits_type::to_int_type(m_buffer[0]);
    }

private:
    static constexpr qsizetype bufferBytes = qsizetype(64) << 10;
    Base::Files::RegularInput& m_input;
    std::unique_ptr<char[]> m_buffer = std::make_unique<char[]>(bufferBytes);
};

} // namespace

bool ManifestEvents::read(const std::filesystem::path& file) {
    auto input = StorageFiles::openFile(file);
    if (!input) {
        m_failure = {QString::fromStdString(input.error().message()), input.error()};
        return false;
    }
    FileText text(*input);
    std::istream stream(&text);
    const bool parsed = Json::sax_parse(stream, this) || m_hasReadChunks;
    // A text cut short by the file is the file's failure, whatever the parser made of it.
    if (text.error)
        m_failure = {QString::fromStdString(text.error.message()), text.error};
    return parsed && !text.error;
}

ManifestEvents::Section ManifestEvents::sectionNamed(const std::string& key) const {
    static constexpr std::pair<std::string_view, Section> sections[] = {
        {"chunks", Section::chunks},   {"words", Section::words},
        {"text", Section::text},       {"createdAt", Section::createdAt},
        {"voiceID", Section::voiceID}, {"totalDuration", Section::totalDuration},
        {"modelID", Section::modelID},
    };
    for (const auto& [name, section] : sections)
        if (key == name)
            return (sectionsRead() & bit(section)) ? section : Section::other;
    return Section::other;
}

ManifestEvents::Field ManifestEvents::fieldNamed(const std::string& key) {
    static constexpr std::pair<std::string_view, Field> fields[] = {
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

// The top-level sections the reading takes in; every one but "modelID" is required.
unsigned ManifestEvents::sectionsRead() const {
    const unsigned entry = bit(Section::chunks) | bit(Section::words);
    const unsigned clip = bit(Section::chunks) | bit(Section::text) | bit(Section::createdAt) |
                          bit(Section::totalDuration) | bit(Section::modelID);
    if (m_reading == Reading::clipExport)
        return clip;
    if (m_reading == Reading::clipSummary || m_reading == Reading::clip)
        return entry | clip | bit(Section::voiceID);
    return entry;
}

// The keys of a chunk record the reading takes in, all of them required.
unsigned ManifestEvents::chunkFieldsRead() const {
    if (m_reading == Reading::clipExport)
        return bit(Field::fileName);
    return bit(Field::fileName) | bit(Field::sizeBytes) | bit(Field::duration);
}

bool ManifestEvents::isComplete() const {
    const unsigned required = sectionsRead() & ~bit(Section::modelID);
    return (m_sections & required) == required;
}

bool ManifestEvents::null() {
    if (m_depth == 1 && m_section == Section::modelID && !skipping())
        return true;
    return scalar();
}

bool ManifestEvents::boolean(bool) {
    return scalar();
}

bool ManifestEvents::number_integer(number_integer_t value) {
    return number(double(value), value);
}

bool ManifestEvents::number_unsigned(number_unsigned_t value) {
    if (value > number_unsigned_t(std::numeric_limits<qint64>::max()))
        return number(double(value), std::nullopt);
    return number(double(value), qint64(value));
}

bool ManifestEvents::number_float(number_float_t value, const string_t&) {
    return number(value, wholeNumber(value));
}

bool ManifestEvents::string(string_t& value) {
    if (isIgnored())
        return true;
    if (m_depth == 1)
        return topLevelString(value);
    if (m_depth != 3)
        return fail("unexpected string");
    if (m_field == Field::fileName && m_section == Section::chunks) {
        m_record.fileName = Base::Json::text(value);
        if (!StorageFiles::isPlainName(m_record.fileName))
            return fail("chunk file name is not a plain name");
        return found();
    }
    if (m_field == Field::word && m_section == Section::words) {
        if (keepsWords())
            m_word.word = Base::Json::text(value);
        return found();
    }
    return fail("a key holds a string");
}

bool ManifestEvents::binary(binary_t&) {
    return fail("binary value");
}

bool ManifestEvents::start_object(std::size_t) {
    if (!m_structure.open())
        return fail(m_structure.error);
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

bool ManifestEvents::key(string_t& key) {
    if (!m_structure.key(key))
        return fail(m_structure.error);
    if (skipping())
        return true;
    if (m_depth == 1)
        m_section = sectionNamed(key);
    else
        m_field = fieldNamed(key);
    return true;
}

bool ManifestEvents::end_object() {
    m_structure.close();
    if (unskip())
        return true;
    --m_depth;
    if (m_depth == 0)
        return isComplete() || fail("incomplete manifest");
    return m_depth != 2 || finishElement();
}

bool ManifestEvents::start_array(std::size_t) {
    if (!m_structure.open())
        return fail(m_structure.error);
    if (isIgnored())
        return skip();
    if (m_depth == 1 && (m_section == Section::chunks || m_section == Section::words)) {
        m_sections |= bit(m_section);
    } else if (m_depth == 3 && m_field == Field::range && m_section == Section::words) {
        m_rangeCount = 0;
    } else {
        return fail("unexpected array");
    }
    ++m_depth;
    return true;
}

bool ManifestEvents::end_array() {
    m_structure.close();
    if (unskip())
        return true;
    --m_depth;
    if (m_depth == 3) {
        if (m_rangeCount != 2)
            return fail("\"range\" must hold two integers");
        return found();
    }
    m_hasReadChunks =
        m_depth == 1 && m_reading == Reading::chunksOnly && m_section == Section::chunks;
    return !m_hasReadChunks; // stops the parse
}

bool ManifestEvents::parse_error(std::size_t, const std::string&,
                                 const nlohmann::detail::exception& e) {
    if (m_failure.message.isEmpty())
        m_failure.message = QString::fromUtf8(e.what());
    return false;
}

bool ManifestEvents::skip() {
    if (!skipping())
        m_skipFrom = m_depth;
    ++m_depth;
    return true;
}

// Closes one container of a skipped value; true while the value was being skipped.
bool ManifestEvents::unskip() {
    if (!skipping())
        return false;
    if (--m_depth == m_skipFrom)
        m_skipFrom = -1;
    return true;
}

bool ManifestEvents::fail(const char* why) {
    m_failure.message = QString::fromUtf8(why);
    return false;
}

bool ManifestEvents::isKnown() const {
    const Field field = m_field;
    if (m_section == Section::chunks)
        return (chunkFieldsRead() & bit(field)) != 0;
    return field == Field::word || field == Field::range || field == Field::start ||
           field == Field::end;
}

bool ManifestEvents::found() {
    m_seen |= bit(m_field);
    return true;
}

// A value inside a skipped one, or of an unknown key.
bool ManifestEvents::isIgnored() const {
    return skipping() || (m_depth == 1 && m_section == Section::other) ||
           (m_depth == 3 && !isKnown());
}

bool ManifestEvents::scalar() {
    return isIgnored() || fail("unexpected value");
}

bool ManifestEvents::number(double value, std::optional<qint64> whole) {
    if (isIgnored())
        return true;
    if (m_depth == 1)
        return topLevelNumber(value);
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

bool ManifestEvents::topLevelNumber(double value) {
    if (m_section == Section::createdAt)
        createdAt = value;
    else if (m_section == Section::totalDuration)
        totalDuration = value;
    else
        return fail("a key holds a number");
    m_sections |= bit(m_section);
    return true;
}

// The text is taken over from the parser, not copied: a long read's runs to megabytes.
bool ManifestEvents::topLevelString(string_t& value) {
    if (m_section == Section::text)
        text = std::move(value);
    else if (m_section == Section::voiceID && m_reading == Reading::clip)
        voiceID = Base::Json::text(value);
    else if (m_section == Section::modelID)
        modelID = Base::Json::text(value);
    else if (m_section != Section::voiceID)
        return fail("a key holds a string");
    m_sections |= bit(m_section);
    return true;
}

bool ManifestEvents::finishElement() {
    if (m_section == Section::chunks) {
        if (m_seen != chunkFieldsRead())
            return fail("incomplete chunk record");
        chunks.append(m_record);
        return true;
    }
    if (m_seen != (bit(Field::word) | bit(Field::range) | bit(Field::start) | bit(Field::end)))
        return fail("incomplete word timing");
    if (m_word.range.lower > m_word.range.upper)
        return fail("\"range\" lower bound exceeds its upper bound");
    if (keepsWords())
        words.append(m_word);
    return true;
}

} // namespace Parlino
