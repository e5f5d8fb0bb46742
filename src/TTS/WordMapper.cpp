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

    void apply(QStringView x, double start, double end) {
        const EntryClass c = classify(x);
        if (!c.hasVisible) {
            close();
        } else if (c.hasIdeograph) {
            close();
            m_result.append({x.toString(), {m_position, m_position + x.size()}, start, end});
        } else {
            if (!m_open)
                m_open = OpenWord{{}, m_position, start, end};
            m_open->text += x;
            m_open->end = end;
        }
        m_position += x.size();
    }

    void close() {
        if (m_open && !m_open->text.isEmpty())
            m_result.append(
                {m_open->text, {m_open->startOffset, m_position}, m_open->start, m_open->end});
        m_open.reset();
    }

    qsizetype m_position = 0;
    std::optional<OpenWord> m_open;
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

} // namespace TTS::WordMapper
