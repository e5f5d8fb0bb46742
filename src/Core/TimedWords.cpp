#include "Core/TimedWords.h"

#include <algorithm>
#include <atomic>
#include <limits>

namespace Core {

// Words of a read repeat: a block keeps each of its texts once, their characters end to end,
// and each word's index into them. A word's range is kept in 32 bits when it fits, as any range
// in a text held in memory does.
struct TimedWords::Block {
    struct Entry {
        double start = 0;
        double end = 0;
        std::uint32_t lower = 0;
        std::uint32_t length = 0;
    };
    std::vector<Entry> entries;
    // Every word's range, once one of them did not fit its entry.
    std::vector<WordTiming::Range> wideRanges;
    std::vector<std::uint16_t> textOf;
    QString characters;
    std::vector<std::uint32_t> textEnds;

    WordTiming::Range range(std::size_t at) const {
        return wideRanges.empty() ? narrowRange(entries[at]) : wideRanges[at];
    }
    static WordTiming::Range narrowRange(const Entry& entry) {
        return {entry.lower, qint64(entry.lower) + entry.length};
    }

    QStringView text(std::size_t index) const {
        const std::uint32_t from = index == 0 ? 0 : textEnds[index - 1];
        return QStringView(characters).sliced(from, textEnds[index] - from);
    }

    void add(const WordTiming& word) {
        constexpr qint64 narrowest = std::numeric_limits<std::uint32_t>::max();
        const WordTiming::Range& r = word.range;
        const bool narrow = wideRanges.empty() && r.lower >= 0 && r.lower <= narrowest &&
                            r.upper >= r.lower && r.upper - r.lower <= narrowest;
        if (!narrow && wideRanges.empty())
            for (const Entry& entry : entries)
                wideRanges.push_back(narrowRange(entry));
        entries.push_back({word.start, word.end, narrow ? std::uint32_t(r.lower) : 0,
                           narrow ? std::uint32_t(r.upper - r.lower) : 0});
        if (!narrow)
            wideRanges.push_back(r);
        textOf.push_back(textIndex(word.word));
    }

    std::uint16_t textIndex(QStringView word) {
        // The words just spoken are the likeliest to come again.
        for (std::size_t i = textEnds.size(); i-- > 0;)
            if (text(i) == word)
                return std::uint16_t(i);
        characters += word;
        textEnds.push_back(std::uint32_t(characters.size()));
        return std::uint16_t(textEnds.size() - 1);
    }
};

TimedWords::TimedWords(const QList<WordTiming>& words) {
    for (const WordTiming& word : words)
        append(word);
}

WordTiming TimedWords::operator[](qsizetype index) const {
    const Block& block = *m_blocks[std::size_t(index / blockSize)];
    const std::size_t at = std::size_t(index % blockSize);
    return {block.text(block.textOf[at]).toString(), block.range(at), block.entries[at].start,
            block.entries[at].end};
}

double TimedWords::start(qsizetype index) const {
    return m_blocks[std::size_t(index / blockSize)]->entries[std::size_t(index % blockSize)].start;
}

TimedWords::Block& TimedWords::writableLastBlock() {
    if (m_size % blockSize == 0) {
        m_blocks.push_back(std::make_shared<Block>());
        m_blocks.back()->entries.reserve(blockSize);
        m_blocks.back()->textOf.reserve(blockSize);
    } else if (m_blocks.back().use_count() > 1) {
        // Another copy reads this block: it stays as that copy saw it.
        auto own = std::make_shared<Block>(*m_blocks.back());
        own->entries.reserve(blockSize);
        own->textOf.reserve(blockSize);
        m_blocks.back() = std::move(own);
    } else {
        // The block is this copy's alone; what a copy let go of on another thread, it read first.
        std::atomic_thread_fence(std::memory_order_acquire);
    }
    return *m_blocks.back();
}

void TimedWords::append(const WordTiming& word) {
    writableLastBlock().add(word);
    ++m_size;
}

QList<WordTiming> TimedWords::toList() const {
    QList<WordTiming> words;
    words.reserve(m_size);
    for (qsizetype i = 0; i < m_size; ++i)
        words.append((*this)[i]);
    return words;
}

bool operator==(const TimedWords& a, const TimedWords& b) {
    if (a.m_size != b.m_size)
        return false;
    for (std::size_t block = 0; block < a.m_blocks.size(); ++block) {
        if (a.m_blocks[block] == b.m_blocks[block])
            continue;
        const qsizetype first = qsizetype(block) * TimedWords::blockSize;
        const qsizetype last = std::min(first + TimedWords::blockSize, a.m_size);
        for (qsizetype i = first; i < last; ++i)
            if (a[i] != b[i])
                return false;
    }
    return true;
}

} // namespace Core
