#pragma once

#include "Core/WordTiming.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <vector>

namespace Core {

// A read's word timings, hundreds of thousands of them for a long read. They are kept in blocks
// of words that copies share: a copy costs a pointer per block, appending to one copy never
// changes another (only the last block, when shared, is copied first), and copies may be read on
// other threads while the first one grows. A word takes about 26 bytes: its times and range, and
// an index into its block's texts, each text held once per block.
class TimedWords {
public:
    class const_iterator;

    TimedWords() = default;
    TimedWords(const QList<WordTiming>& words);
    TimedWords(std::initializer_list<WordTiming> words) : TimedWords(QList<WordTiming>(words)) {}

    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }

    // The word at `index`, which must be within 0…size().
    WordTiming operator[](qsizetype index) const;
    WordTiming first() const { return (*this)[0]; }
    WordTiming last() const { return (*this)[m_size - 1]; }
    // The start time alone, without building the word.
    double start(qsizetype index) const;

    void append(const WordTiming& word);
    QList<WordTiming> toList() const;

    const_iterator begin() const;
    const_iterator end() const;

    friend bool operator==(const TimedWords& a, const TimedWords& b);

private:
    struct Block;
    static constexpr qsizetype blockSize = 1024;

    Block& writableLastBlock();

    std::vector<std::shared_ptr<Block>> m_blocks;
    qsizetype m_size = 0;
};

// Walks the words in order; each step builds the word it stands on.
class TimedWords::const_iterator {
public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = WordTiming;
    using difference_type = qsizetype;

    const_iterator(const TimedWords* words, qsizetype index) : m_words(words), m_index(index) {}

    WordTiming operator*() const { return (*m_words)[m_index]; }
    const_iterator& operator++() { return ++m_index, *this; }
    friend bool operator==(const const_iterator& a, const const_iterator& b) {
        return a.m_index == b.m_index;
    }

private:
    const TimedWords* m_words;
    qsizetype m_index;
};

inline TimedWords::const_iterator TimedWords::begin() const {
    return {this, 0};
}
inline TimedWords::const_iterator TimedWords::end() const {
    return {this, m_size};
}

} // namespace Core
