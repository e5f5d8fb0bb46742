#include "TTS/WordMapper.h"

#include "Base/Unicode.h"

#include <optional>

namespace TTS::WordMapper {

namespace {

using Base::Unicode::Scalars;

bool isIdeographic(char32_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3040 && c <= 0x30FF);
}

struct EntryClass {
    bool hasWhiteSpace = false;
    bool hasVisible = false;
    bool hasIdeograph = false;
};

EntryClass classify(QStringView entry) {
    EntryClass c;
    for (const auto scalar : Scalars(entry)) {
        if (Base::Unicode::isWhiteSpace(scalar.value)) {
            c.hasWhiteSpace = true;
        } else {
            c.hasVisible = true;
            c.hasIdeograph = c.hasIdeograph || isIdeographic(scalar.value);
        }
    }
    return c;
}

class Mapper {
public:
    void entry(QStringView text, double start, double end) {
        const EntryClass c = classify(text);
        if (c.hasWhiteSpace && c.hasVisible) {
            for (const auto scalar : Scalars(text))
                apply(text.sliced(scalar.offset, scalar.length), start, end);
        } else {
            apply(text, start, end);
        }
    }

    QList<Core::WordTiming> finish() {
        close();
        return std::move(m_result);
    }

private:
    struct OpenWord {
        QString text;
        qsizetype startOffset;
        double start;
        double end;
    };

    // Where an entry of the open word starts in it, and its times.
    struct EntryTimes {
        qsizetype offset;
        double start;
        double end;
    };

    void apply(QStringView x, double start, double end) {
        const EntryClass c = classify(x);
        if (!c.hasVisible) {
            close();
        } else if (c.hasIdeograph) {
            close();
            m_result.append({x.toString(), {m_position, m_position + x.size()}, start, end});
        } else {
            if (!m_open) {
                m_open = OpenWord{{}, m_position, start, end};
                m_entries.clear();
            }
            m_entries.append({m_open->text.size(), start, end});
            m_open->text += x;
            m_open->end = end;
        }
        m_position += x.size();
    }

    void close() {
        if (m_open && !m_open->text.isEmpty())
            appendSplitByDictionary(*m_open);
        m_open.reset();
    }

    // A word of a script written without spaces holds several words, which only a dictionary
    // tells apart: it is split where a word boundary falls between two of its letters, each
    // part timed from its own entries. Everything else is appended whole.
    void appendSplitByDictionary(const OpenWord& word) {
        bool unspaced = false;
        for (const auto scalar : Scalars(word.text))
            unspaced = unspaced || Base::Unicode::isWrittenWithoutSpaces(scalar.value);
        if (!unspaced) {
            m_result.append({word.text, {word.startOffset, m_position}, word.start, word.end});
            return;
        }
        const auto splitsAt = [&](qsizetype at) {
            return at == word.text.size() ||
                   (at > 0 && Base::Unicode::isWrittenWithoutSpaces(word.text[at - 1].unicode()) &&
                    Base::Unicode::isWrittenWithoutSpaces(word.text[at].unicode()));
        };
        // A part runs from its first entry to the last one that starts before its end.
        qsizetype from = 0;
        qsizetype first = 0;
        for (const qsizetype at : Base::Unicode::wordBoundaries(word.text)) {
            if (at <= from || !splitsAt(at) || first >= m_entries.size())
                continue;
            qsizetype last = first;
            while (last + 1 < m_entries.size() && m_entries[last + 1].offset < at)
                ++last;
            m_result.append({word.text.mid(from, at - from),
                             {word.startOffset + from, word.startOffset + at},
                             m_entries[first].start,
                             m_entries[last].end});
            from = at;
            first = last + 1;
        }
    }

    qsizetype m_position = 0;
    std::optional<OpenWord> m_open;
    QList<EntryTimes> m_entries; // of the open word
    QList<Core::WordTiming> m_result;
};

} // namespace

QList<Core::WordTiming> words(const QStringList& characters, const QList<double>& startTimes,
                              const QList<double>& endTimes) {
    if (characters.size() != startTimes.size() || characters.size() != endTimes.size())
        return {};
    Mapper mapper;
    for (qsizetype i = 0; i < characters.size(); ++i)
        mapper.entry(characters[i], startTimes[i], endTimes[i]);
    return mapper.finish();
}

QList<Core::WordTiming> words(QStringView text) {
    Mapper mapper;
    for (const auto scalar : Scalars(text))
        mapper.entry(text.sliced(scalar.offset, scalar.length), 0, 0);
    return mapper.finish();
}

} // namespace TTS::WordMapper
