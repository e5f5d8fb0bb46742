#pragma once

#include "Base/Json.h"
#include "Base/Result.h"
#include "Core/TimedWords.h"
#include "Parlino/Storage/ChunkFiles.h"

#include <QList>
#include <QString>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace Parlino {

// Why a manifest was not read: in words, and the file's own failure when reading the file failed
// (opening it or reading on), rather than its text.
struct ManifestFailure {
    QString message;
    std::error_code file;
};
template <class T> using ManifestRead = Base::Result<T, ManifestFailure>;

// The JSON parser's events for a store's "manifest.json", read straight from the file a piece at
// a time with no document tree, and no whole text, in between: an object whose "chunks" hold
// chunk records and "words" word timings. It accepts what the records' and timings' own fromJson
// accept: keys in any order, unknown keys ignored, whole numbers written with a fraction, plain
// chunk file names only; and it refuses what every JSON reader of ours refuses
// (Base::Json::StructureCheck). A value it does not read is skipped whole, held only to that.
class ManifestEvents {
public:
    enum class Reading {
        entries,     // "chunks" and "words", both kept
        chunksOnly,  // the chunk records, kept; the parse stops at the end of their array
        clipSummary, // a clip's manifest: also its "text", "createdAt", "totalDuration",
                     // "voiceID" and optional "modelID"; records kept, timings checked only
        clip,        // a clip's manifest as clipSummary reads it, its timings and voice kept too
        clipExport,  // what an export needs of a clip's manifest: "text", "createdAt",
                     // "totalDuration", optional "modelID" and the chunk records' "fileName"
                     // only; "words", "voiceID" and the records' other keys are skipped
    };

    explicit ManifestEvents(Reading reading) : m_reading(reading) {}

    // Reads and parses the manifest `file` (StorageFiles::openFile), up to the chunk records for
    // `chunksOnly`; false with failure() set when the file or its text is refused.
    bool read(const std::filesystem::path& file);
    const ManifestFailure& failure() const { return m_failure; }

    QList<ChunkFiles::Record> chunks;
    Core::TimedWords words;
    // Of a clip only; its text as written, in UTF-8 (Base::Json::text decodes it).
    std::string text;
    double createdAt = 0;
    double totalDuration = 0;
    QString voiceID;
    std::optional<QString> modelID;

    // The parser's interface.
    using Json = nlohmann::json;
    using number_integer_t = Json::number_integer_t;
    using number_unsigned_t = Json::number_unsigned_t;
    using number_float_t = Json::number_float_t;
    using string_t = Json::string_t;
    using binary_t = Json::binary_t;

    bool null();
    bool boolean(bool);
    bool number_integer(number_integer_t value);
    bool number_unsigned(number_unsigned_t value);
    bool number_float(number_float_t value, const string_t&);
    bool string(string_t& value);
    bool binary(binary_t&);
    bool start_object(std::size_t);
    bool key(string_t& key);
    bool end_object();
    bool start_array(std::size_t);
    bool end_array();
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e);

private:
    // The top-level key whose value is being read.
    enum class Section { chunks, words, text, createdAt, totalDuration, voiceID, modelID, other };
    // One key of a chunk record or a word timing.
    enum class Field { fileName, sizeBytes, duration, word, range, start, end, other };

    Section sectionNamed(const std::string& key) const;
    static Field fieldNamed(const std::string& key);
    unsigned sectionsRead() const;
    unsigned chunkFieldsRead() const;
    bool keepsWords() const { return m_reading != Reading::clipSummary; }
    bool isComplete() const;

    bool skipping() const { return m_skipFrom >= 0; }
    bool skip();
    bool unskip();
    bool fail(const char* why);
    bool isKnown() const;
    bool found();
    bool isIgnored() const;
    bool scalar();
    bool number(double value, std::optional<qint64> whole);
    bool topLevelNumber(double value);
    bool topLevelString(string_t& value);
    bool finishElement();

    const Reading m_reading;
    ManifestFailure m_failure;
    Base::Json::StructureCheck m_structure;
    // 1 is the top object, 2 the "chunks" or "words" array, 3 one record or timing, 4 a timing's
    // range. Values of unknown keys are skipped whole.
    int m_depth = 0;
    int m_skipFrom = -1; // depth at which the skipped value started
    Section m_section = Section::other;
    Field m_field = Field::other;
    unsigned m_sections = 0; // bits of the top-level sections found
    unsigned m_seen = 0;     // bits of the fields found in the current element
    int m_rangeCount = 0;
    bool m_hasReadChunks = false;
    ChunkFiles::Record m_record;
    Core::WordTiming m_word;
};

} // namespace Parlino
