#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <memory>
#include <optional>

namespace Base::Unicode {

// One Unicode scalar of a QString with its place in UTF-16 code units. An unpaired surrogate
// stands for itself, one code unit long.
struct Scalar {
    char32_t value;
    qsizetype offset;
    qsizetype length;
};

// Iterates the scalars of a string: for (Scalar s : Scalars(text)) ...
class Scalars {
public:
    explicit Scalars(QStringView text) : m_text(text) {}

    class Iterator {
    public:
        Iterator(QStringView text, qsizetype offset) : m_text(text), m_offset(offset) {}
        Scalar operator*() const;
        Iterator& operator++() {
            m_offset += (**this).length;
            return *this;
        }
        bool operator==(const Iterator& other) const { return m_offset == other.m_offset; }

    private:
        QStringView m_text;
        qsizetype m_offset;
    };

    Iterator begin() const { return {m_text, 0}; }
    Iterator end() const { return {m_text, m_text.size()}; }

private:
    QStringView m_text;
};

// The Unicode White_Space property.
bool isWhiteSpace(char32_t scalar);
// General category Cc.
bool isControl(char32_t scalar);
// Whether a scalar has anything to be read aloud: a letter, a digit, a punctuation mark, a symbol,
// or a code point too new for this version of Unicode to know. White space, controls, format
// characters (direction marks and isolates, joiners, the soft hyphen, the byte-order mark) and
// the other default-ignorable code points, marks without a character to sit on, private-use
// characters, surrogates and noncharacters have nothing to say.
bool isSpoken(char32_t scalar);
// The space separators (general category Zs) and the tab; line breaks are not among them.
bool isHorizontalSpace(char32_t scalar);
// How many columns of a terminal a scalar takes: none for a mark that sits on the character
// before it, a format character or a control; two for an East Asian wide or full-width character
// (ideographs, kana, most emoji); one for any other.
int terminalColumns(char32_t scalar);
// The text without horizontal space at either end.
QString trimmingHorizontalSpace(QStringView text);
// UTF-8 decoded exactly as written: a leading byte-order mark stays a character of the text,
// where QString::fromUtf8 drops it.
QString fromUtf8Exactly(QByteArrayView utf8);
// `bytes` decoded from the encoding named `encoding`, as the C library's locales name theirs
// ("ISO-8859-1", "EUC-JP"); none when the encoding is unknown or the bytes are not all of it.
std::optional<QString> decode(QByteArrayView bytes, const char* encoding);

// The number of user-perceived characters (extended grapheme clusters).
qsizetype graphemeCount(const QString& text);
// The UTF-16 length of the first `count` grapheme clusters (the whole text if it has fewer).
qsizetype graphemePrefixLength(const QString& text, qsizetype count);

// The boundaries between the grapheme clusters of a text, each found from the text around it
// rather than by a walk from the start. Reads the text in place: it must outlive this.
class GraphemeBoundaries {
public:
    explicit GraphemeBoundaries(const QString& text);
    ~GraphemeBoundaries();
    GraphemeBoundaries(const GraphemeBoundaries&) = delete;
    GraphemeBoundaries& operator=(const GraphemeBoundaries&) = delete;

    bool isBoundary(qsizetype at) const;
    // The last boundary at or before `at`, which may fall inside a code point: 0 at least.
    qsizetype atOrBefore(qsizetype at) const;
    // The first boundary after `at`, a boundary: the text's length at most.
    qsizetype after(qsizetype at) const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// A half-open range of UTF-16 offsets.
struct TextRange {
    qsizetype start;
    qsizetype end;
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

// The sentences of a text, in order, covering it (ICU sentence boundaries with the English
// abbreviation exceptions, so "Mr. Smith" stays one sentence).
QList<TextRange> sentenceRanges(const QString& text);

// Characters of the scripts written without spaces between words (Thai, Lao, Khmer, Myanmar…:
// the line-breaking class SA), whose words only a dictionary finds.
bool isWrittenWithoutSpaces(char32_t scalar);
// The places between the words of a text (ICU word boundaries, with the dictionaries of the
// scripts written without spaces), the text's start and end included.
QList<qsizetype> wordBoundaries(const QString& text);

// The places where a line may end within a text (ICU line-break opportunities), each found from
// the text around it. Reads the text in place: it must outlive this.
class LineBreaks {
public:
    explicit LineBreaks(const QString& text);
    ~LineBreaks();
    LineBreaks(const LineBreaks&) = delete;
    LineBreaks& operator=(const LineBreaks&) = delete;

    // Whether a line may end at `at`, strictly inside the text.
    bool allowsBreakAt(qsizetype at) const;
    // The last opportunity after `from` and at or before `at`; none when there is none.
    std::optional<qsizetype> lastBreakIn(qsizetype from, qsizetype at) const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Whether a paragraph reads right to left: its first strong character (ignoring what isolates
// hold) is right-to-left. A paragraph without one reads left to right.
bool readsRightToLeft(QStringView paragraph);
// Whether a text holds a right-to-left character or control, so that its order on screen can
// differ from its order in memory even in a left-to-right paragraph.
bool holdsRightToLeft(QStringView text);
// The resolved bidirectional embedding level of every code unit of a text set as one line of a
// paragraph of the given direction (even levels read left to right, odd ones right to left).
QList<quint8> bidiLevels(const QString& text, bool rightToLeft);
// The order in which items of the given levels appear from left to right: the indices of the
// items, the leftmost first.
QList<qsizetype> visualOrder(const QList<quint8>& levels);

} // namespace Base::Unicode
