#include "Core/TextSanitizer.h"

#include "Base/Unicode.h"

#include <algorithm>
#include <array>

namespace Core::TextSanitizer {

namespace {

// What a UTF-16 code unit does to the canonical form. Classifying code units rather than scalars
// is exact: no character outside the Basic Multilingual Plane is white space or a control, so a
// surrogate, paired or not, is visible either way.
enum class Kind : quint8 { visible, lineBreak, space, dropped };

constexpr char16_t zeroWidthSpace = 0x200B;
// Stands where bytes that were no text were decoded: nothing of it was ever written to be read.
constexpr char16_t replacementCharacter = 0xFFFD;
// Stands for an object embedded in a text (an image, or an application's accessible text of a
// paragraph that it did not give): no speech.
constexpr char16_t objectReplacementCharacter = 0xFFFC;

// The file, group, record and unit separators part what they stand between.
bool isSeparator(char16_t unit) {
    return unit >= 0x1C && unit <= 0x1F;
}

// A carriage return comes here only as the CR of a CR LF (the terminal line takes the others),
// white space before a line break.
Kind classify(char16_t unit) {
    if (unit == u'\n')
        return Kind::lineBreak;
    if (Base::Unicode::isWhiteSpace(unit) || isSeparator(unit))
        return Kind::space;
    if (Base::Unicode::isControl(unit) || unit == zeroWidthSpace || unit == replacementCharacter ||
        unit == objectReplacementCharacter)
        return Kind::dropped;
    return Kind::visible;
}

const std::array<Kind, 128> asciiKinds = [] {
    std::array<Kind, 128> kinds{};
    for (char16_t unit = 0; unit < kinds.size(); ++unit)
        kinds[unit] = classify(unit);
    return kinds;
}();

Kind kindOf(char16_t unit) {
    return unit < asciiKinds.size() ? asciiKinds[unit] : classify(unit);
}

} // namespace

QString sanitize(const QString& text) {
    Builder canonical;
    canonical.reserve(text.size());
    canonical.append(text);
    return canonical.take();
}

void Builder::append(QStringView piece) {
    const TerminalLine::Sink shown = [this](QStringView text) { appendText(text); };
    m_escapes.filter(piece, {[&](QStringView text) { m_line.write(text, shown); },
                             [&](char16_t final, QStringView parameters) {
                                 m_line.control(final, parameters, shown);
                             }});
}

void Builder::appendText(QStringView piece) {
    const auto* units = reinterpret_cast<const char16_t*>(piece.utf16());
    const qsizetype size = piece.size();
    for (qsizetype i = 0; i < size;) {
        const Kind kind = kindOf(units[i]);
        if (kind == Kind::visible) {
            qsizetype end = i + 1;
            while (end < size && kindOf(units[end]) == Kind::visible)
                ++end;
            if (!m_text.isEmpty()) {
                if (m_pendingBreaks > 0)
                    m_text.append(QStringView(u"\n\n").first(m_pendingBreaks));
                else if (m_pendingSpace)
                    m_text.append(u' ');
            }
            m_text.append(QStringView(units + i, end - i));
            lookForSpeech();
            m_pendingBreaks = 0;
            m_pendingSpace = false;
            i = end;
            continue;
        }
        if (kind == Kind::lineBreak) {
            m_pendingBreaks = std::min(m_pendingBreaks + 1, 2);
            m_pendingSpace = false;
        } else if (kind == Kind::space) {
            m_pendingSpace = true;
        }
        ++i;
    }
}

QString Builder::take() {
    m_line.finish([this](QStringView text) { appendText(text); });
    return m_spoken ? std::move(m_text) : QString();
}

// Only until the first spoken character, and each character once: a high surrogate at the end
// waits for the low one that may come with the next piece.
void Builder::lookForSpeech() {
    if (m_spoken)
        return;
    QStringView fresh = QStringView(m_text).sliced(m_lookedAt);
    if (fresh.back().isHighSurrogate())
        fresh.chop(1);
    for (const Base::Unicode::Scalar scalar : Base::Unicode::Scalars(fresh))
        if (Base::Unicode::isSpoken(scalar.value)) {
            m_spoken = true;
            return;
        }
    m_lookedAt += fresh.size();
}

} // namespace Core::TextSanitizer
