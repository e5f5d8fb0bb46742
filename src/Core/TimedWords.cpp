#include "Core/TimedWords.h"

#include <algorithm>

namespace Core {

// Words of a read repeat: a block keeps each of its texts once and each word's index into them.
struct TimedWords::Block {
    std::vector<Entry> entries;
    std::vector<std::uint16_t> textOf;
    QList<QString> texts;

    std::uint16_t textIndex(const QString& text) {
        // The words just spoken are the likeliest to come again.
        for (qsizetype i = texts.size() - 1; i >= 0; --i)
            if (texts[i] == text)
                return std::uint16_t(i);
        texts.append(text);
        return std::uint16_t(texts.size() - 1);
    }
};

TimedWords::TimedWords(const QList<WordTiming>& words) {
    for (const WordTiming& word : words)
        append(word);
}

const TimedWords::Entry& TimedWords::entry(qsizetype index) const {
    return m_blocks[std::size_t(index / blockSize)]->entries[std::size_t(index % blockSize)];
}

WordTiming TimedWords::operator[](qsizetype index) const {
    const Block& block = *m_blocks[std::size_t(index / blockSize)];
    const std::size_t at = std::size_t(index % blockSize);
    const Entry& entry = block.entries[at];
    return {block.texts[block.textOf[at]], entry.range, entry.start, entry.end};
}

double TimedWords::start(qsizetype index) const {
    return entry(index).start;
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
    }
    return *m_blocks.back();
}

void TimedWords::append(const WordTiming& word) {
    Block& block = writableLastBlock();
    block.entries.push_back({word.range, word.start, word.end});
    block.textOf.push_back(block.textIndex(word.word));
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
