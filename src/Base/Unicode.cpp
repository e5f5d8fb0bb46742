#include "Base/Unicode.h"

#include "Base/Log.h"

#include <QStringDecoder>

#include <unicode/brkiter.h>
#include <unicode/ubidi.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <limits>
#include <memory>

namespace Base::Unicode {

Scalar Scalars::Iterator::operator*() const {
    const QChar first = m_text.at(m_offset);
    if (first.isHighSurrogate() && m_offset + 1 < m_text.size()) {
        const QChar second = m_text.at(m_offset + 1);
        if (second.isLowSurrogate())
            return {QChar::surrogateToUcs4(first, second), m_offset, 2};
    }
    return {first.unicode(), m_offset, 1};
}

bool isWhiteSpace(char32_t scalar) {
    return u_hasBinaryProperty(static_cast<UChar32>(scalar), UCHAR_WHITE_SPACE);
}

bool isControl(char32_t scalar) {
    return u_charType(static_cast<UChar32>(scalar)) == U_CONTROL_CHAR;
}

bool isSpoken(char32_t scalar) {
    const auto c = static_cast<UChar32>(scalar);
    constexpr uint32_t spokenCategories =
        U_GC_L_MASK | U_GC_N_MASK | U_GC_P_MASK | U_GC_S_MASK | U_GC_CN_MASK;
    return (U_GET_GC_MASK(c) & spokenCategories) != 0 &&
           !u_hasBinaryProperty(c, UCHAR_DEFAULT_IGNORABLE_CODE_POINT) &&
           !u_hasBinaryProperty(c, UCHAR_NONCHARACTER_CODE_POINT);
}

bool isHorizontalSpace(char32_t scalar) {
    return u_isblank(static_cast<UChar32>(scalar));
}

int terminalColumns(char32_t scalar) {
    const auto c = static_cast<UChar32>(scalar);
    constexpr uint32_t zeroWidth = U_GC_MN_MASK | U_GC_ME_MASK | U_GC_CF_MASK | U_GC_CC_MASK;
    if ((U_GET_GC_MASK(c) & zeroWidth) != 0)
        return 0;
    const auto width = u_getIntPropertyValue(c, UCHAR_EAST_ASIAN_WIDTH);
    return width == U_EA_WIDE || width == U_EA_FULLWIDTH ? 2 : 1;
}

QString fromUtf8Exactly(QByteArrayView utf8) {
    if (!utf8.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(utf8);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder(utf8);
}

std::optional<QString> decode(QByteArrayView bytes, const char* encoding) {
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(ucnv_open(encoding, &status),
                                                                       &ucnv_close);
    // A byte that is no character of the encoding stops the conversion, rather than becoming a
    // replacement character.
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                        &status);
    if (U_FAILURE(status) || bytes.size() > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    // The length first, then the text.
    const int32_t length =
        ucnv_toUChars(converter.get(), nullptr, 0, bytes.data(), int32_t(bytes.size()), &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status))
        return std::nullopt;
    status = U_ZERO_ERROR;
    QString text(length, Qt::Uninitialized);
    ucnv_toUChars(converter.get(), reinterpret_cast<UChar*>(text.data()), length, bytes.data(),
                  int32_t(bytes.size()), &status);
    if (U_FAILURE(status))
        return std::nullopt;
    return text;
}

QString trimmingHorizontalSpace(QStringView text) {
    qsizetype start = text.size();
    qsizetype end = 0;
    for (const Scalar s : Scalars(text)) {
        if (isHorizontalSpace(s.value))
            continue;
        start = std::min(start, s.offset);
        end = s.offset + s.length;
    }
    return start < end ? text.mid(start, end - start).toString() : QString();
}

namespace {

// ICU reads the QString's UTF-16 buffer in place; offsets are QString indices.
icu::UnicodeString alias(const QString& text) {
    return icu::UnicodeString(false, reinterpret_cast<const UChar*>(text.utf16()),
                              static_cast<int32_t>(text.size()));
}

std::unique_ptr<icu::BreakIterator> characterIterator(const icu::UnicodeString& text) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status))
        return nullptr;
    it->setText(text);
    return it;
}

} // namespace

qsizetype graphemeCount(const QString& text) {
    // Below U+0300 nothing joins a cluster but the LF of a CR LF, so most text is counted without
    // the cost of a break iterator.
    const bool simple =
        std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x300; });
    if (simple)
        return text.size() - text.count(QStringLiteral("\r\n"));
    const icu::UnicodeString u = alias(text);
    auto it = characterIterator(u);
    if (!it)
        return text.size();
    qsizetype count = 0;
    for (int32_t pos = it->next(); pos != icu::BreakIterator::DONE; pos = it->next())
        ++count;
    return count;
}

qsizetype graphemePrefixLength(const QString& text, qsizetype count) {
    if (count <= 0)
        return 0;
    const icu::UnicodeString u = alias(text);
    auto it = characterIterator(u);
    if (!it)
        return std::min(count, text.size());
    const int32_t pos = it->next(static_cast<int32_t>(std::min<qsizetype>(count, INT32_MAX)));
    return pos == icu::BreakIterator::DONE ? text.size() : pos;
}

// The break iterator is made at the first question that needs it: most texts are asked only
// about places the quick rule answers.
struct GraphemeBoundaries::State {
    icu::UnicodeString text;
    std::unique_ptr<icu::BreakIterator> iterator;
    bool triedIterator = false;

    icu::BreakIterator* breaks() {
        if (!triedIterator) {
            iterator = characterIterator(text);
            triedIterator = true;
        }
        return iterator.get();
    }
};

GraphemeBoundaries::GraphemeBoundaries(const QString& text)
    : m_state(new State{alias(text), nullptr}) {}

GraphemeBoundaries::~GraphemeBoundaries() = default;

// Without an iterator every code unit stands alone.
bool GraphemeBoundaries::isBoundary(qsizetype at) const {
    if (at <= 0 || at >= m_state->text.length())
        return true;
    // Below U+0300 nothing joins a cluster but the LF of a CR LF.
    const char16_t before = m_state->text.charAt(int32_t(at - 1));
    const char16_t after = m_state->text.charAt(int32_t(at));
    if (before < 0x300 && after < 0x300)
        return before != u'\r' || after != u'\n';
    icu::BreakIterator* breaks = m_state->breaks();
    return !breaks || breaks->isBoundary(int32_t(at));
}

qsizetype GraphemeBoundaries::atOrBefore(qsizetype at) const {
    if (isBoundary(at))
        return std::clamp<qsizetype>(at, 0, m_state->text.length());
    // ICU moves an offset inside a code point to its start before looking back: look back from
    // the next code unit, which is at or after the end of the code point holding `at`.
    const int32_t before = m_state->breaks()->preceding(int32_t(at + 1));
    return before == icu::BreakIterator::DONE ? 0 : before;
}

qsizetype GraphemeBoundaries::after(qsizetype at) const {
    const qsizetype length = m_state->text.length();
    if (at >= length)
        return length;
    icu::BreakIterator* breaks = m_state->breaks();
    if (!breaks)
        return at + 1;
    const int32_t after = breaks->following(int32_t(std::max<qsizetype>(at, 0)));
    return after == icu::BreakIterator::DONE ? length : after;
}

QList<TextRange> sentenceRanges(const QString& text) {
    QList<TextRange> ranges;
    if (text.isEmpty())
        return ranges;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(
        icu::BreakIterator::createSentenceInstance(icu::Locale("en@ss=standard"), status));
    if (U_FAILURE(status)) {
        Log("unicode").error("sentence iterator unavailable: %{public}s", u_errorName(status));
        return {{0, text.size()}};
    }
    const icu::UnicodeString u = alias(text);
    it->setText(u);
    int32_t start = it->first();
    for (int32_t end = it->next(); end != icu::BreakIterator::DONE; end = it->next()) {
        ranges.append({start, end});
        start = end;
    }
    return ranges;
}

bool isWrittenWithoutSpaces(char32_t scalar) {
    // Thai, the first of them, starts at U+0E00.
    return scalar >= 0xE00 && u_getIntPropertyValue(static_cast<UChar32>(scalar),
                                                    UCHAR_LINE_BREAK) == U_LB_COMPLEX_CONTEXT;
}

QList<qsizetype> wordBoundaries(const QString& text) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(
        icu::BreakIterator::createWordInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status)) {
        Log("unicode").error("word iterator unavailable: %{public}s", u_errorName(status));
        return {0, text.size()};
    }
    const icu::UnicodeString u = alias(text);
    it->setText(u);
    QList<qsizetype> boundaries;
    for (int32_t at = it->first(); at != icu::BreakIterator::DONE; at = it->next())
        boundaries.append(at);
    return boundaries;
}

// The iterator is made at the first question: most texts never ask one.
struct LineBreaks::State {
    icu::UnicodeString text;
    std::unique_ptr<icu::BreakIterator> iterator;
    bool triedIterator = false;

    icu::BreakIterator* breaks() {
        if (triedIterator)
            return iterator.get();
        triedIterator = true;
        UErrorCode status = U_ZERO_ERROR;
        iterator.reset(icu::BreakIterator::createLineInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) {
            Log("unicode").error("line iterator unavailable: %{public}s", u_errorName(status));
            iterator.reset();
        } else {
            iterator->setText(text);
        }
        return iterator.get();
    }
};

LineBreaks::LineBreaks(const QString& text) : m_state(new State{alias(text), nullptr}) {}

LineBreaks::~LineBreaks() = default;

// Without an iterator a line may end anywhere.
bool LineBreaks::allowsBreakAt(qsizetype at) const {
    if (at <= 0 || at >= m_state->text.length())
        return false;
    icu::BreakIterator* breaks = m_state->breaks();
    return !breaks || breaks->isBoundary(int32_t(at));
}

std::optional<qsizetype> LineBreaks::lastBreakIn(qsizetype from, qsizetype at) const {
    at = std::min<qsizetype>(at, m_state->text.length() - 1);
    if (at <= from)
        return std::nullopt;
    if (allowsBreakAt(at))
        return at;
    icu::BreakIterator* breaks = m_state->breaks();
    if (!breaks)
        return at;
    const int32_t before = breaks->preceding(int32_t(at));
    if (before == icu::BreakIterator::DONE || before <= from)
        return std::nullopt;
    return before;
}

namespace {

bool isRightToLeftClass(UCharDirection direction) {
    return direction == U_RIGHT_TO_LEFT || direction == U_RIGHT_TO_LEFT_ARABIC;
}

} // namespace

bool readsRightToLeft(QStringView paragraph) {
    int isolates = 0;
    for (const Scalar s : Scalars(paragraph)) {
        const UCharDirection direction = u_charDirection(static_cast<UChar32>(s.value));
        switch (direction) {
        case U_LEFT_TO_RIGHT_ISOLATE:
        case U_RIGHT_TO_LEFT_ISOLATE:
        case U_FIRST_STRONG_ISOLATE:
            ++isolates;
            break;
        case U_POP_DIRECTIONAL_ISOLATE:
            isolates = std::max(0, isolates - 1);
            break;
        case U_LEFT_TO_RIGHT:
            if (isolates == 0)
                return false;
            break;
        default:
            if (isolates == 0 && isRightToLeftClass(direction))
                return true;
        }
    }
    return false;
}

bool holdsRightToLeft(QStringView text) {
    // Nothing below the Hebrew block reads right to left or turns a direction.
    for (const Scalar s : Scalars(text)) {
        if (s.value < 0x590)
            continue;
        const UCharDirection direction = u_charDirection(static_cast<UChar32>(s.value));
        if (isRightToLeftClass(direction) || direction == U_RIGHT_TO_LEFT_EMBEDDING ||
            direction == U_RIGHT_TO_LEFT_OVERRIDE || direction == U_RIGHT_TO_LEFT_ISOLATE ||
            direction == U_FIRST_STRONG_ISOLATE)
            return true;
    }
    return false;
}

QList<quint8> bidiLevels(const QString& text, bool rightToLeft) {
    const UBiDiLevel base = rightToLeft ? 1 : 0;
    QList<quint8> levels(text.size(), base);
    if (text.isEmpty())
        return levels;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UBiDi, decltype(&ubidi_close)> bidi(
        ubidi_openSized(int32_t(text.size()), 0, &status), &ubidi_close);
    ubidi_setPara(bidi.get(), reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()),
                  base, nullptr, &status);
    const UBiDiLevel* resolved = U_SUCCESS(status) ? ubidi_getLevels(bidi.get(), &status) : nullptr;
    if (U_FAILURE(status) || !resolved) {
        Log("unicode").error("bidi levels unavailable: %{public}s", u_errorName(status));
        return levels;
    }
    std::copy(resolved, resolved + text.size(), levels.begin());
    return levels;
}

QList<qsizetype> visualOrder(const QList<quint8>& levels) {
    QList<int32_t> map(levels.size());
    ubidi_reorderVisual(reinterpret_cast<const UBiDiLevel*>(levels.constData()),
                        int32_t(levels.size()), map.data());
    return {map.cbegin(), map.cend()};
}

} // namespace Base::Unicode
