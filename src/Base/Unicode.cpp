#include "Base/Unicode.h"

#include "Base/Log.h"

#include <QStringDecoder>

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
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

bool isHorizontalSpace(char32_t scalar) {
    return u_isblank(static_cast<UChar32>(scalar));
}

QString fromUtf8Exactly(QByteArrayView utf8) {
    if (!utf8.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(utf8);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder(utf8);
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

} // namespace Base::Unicode
