#include "Core/EscapeSequenceFilter.h"

namespace Core {

namespace {

constexpr char16_t escapeCharacter = 0x1B;
constexpr char16_t bell = 0x07;
constexpr char16_t cancel = 0x18;
constexpr char16_t substitute = 0x1A;

bool within(char16_t unit, char16_t low, char16_t high) {
    return unit >= low && unit <= high;
}

// ESC ] (OSC), ESC P (DCS), ESC X (SOS), ESC ^ (PM), ESC _ (APC) and ESC k.
bool opensControlString(char16_t unit) {
    return unit == u']' || unit == u'P' || unit == u'X' || unit == u'^' || unit == u'_' ||
           unit == u'k';
}

// What ends a control string: BEL or ST as a terminal takes them, CAN and SUB cancelling it, ESC
// beginning ST or another sequence.
bool endsControlString(char16_t unit) {
    return unit == bell || unit == cancel || unit == substitute || unit == escapeCharacter;
}

} // namespace

void EscapeSequenceFilter::filter(QStringView piece, const Output& output) {
    for (qsizetype at = 0; at < piece.size();) {
        if (m_state == State::text || m_state == State::controlString) {
            const qsizetype end = runEnd(piece, at);
            if (m_state == State::text && end > at)
                output.text(piece.sliced(at, end - at));
            if ((at = end) == piece.size())
                return;
        }
        if (take(piece[at].unicode(), output))
            ++at;
    }
}

qsizetype EscapeSequenceFilter::runEnd(QStringView piece, qsizetype from) const {
    if (m_state == State::text) {
        const qsizetype escape = piece.indexOf(QChar(escapeCharacter), from);
        return escape < 0 ? piece.size() : escape;
    }
    const auto* units = reinterpret_cast<const char16_t*>(piece.utf16());
    while (from < piece.size() && !endsControlString(units[from]))
        ++from;
    return from;
}

bool EscapeSequenceFilter::take(char16_t unit, const Output& output) {
    // The sequence ends, with this character or before it.
    const auto ends = [this](bool withIt) {
        m_state = State::text;
        return withIt;
    };
    switch (m_state) {
    case State::text:
        m_state = State::escape;
        return true;
    case State::escape:
        if (unit == u'[') {
            m_state = State::controlSequence;
            m_parameterCount = 0;
            m_reportable = true;
        } else if (opensControlString(unit)) {
            m_state = State::controlString;
        } else if (within(unit, 0x20, 0x2F)) {
            m_state = State::intermediates;
        } else if (unit != escapeCharacter) {
            return ends(within(unit, 0x30, 0x7E));
        }
        return true;
    case State::intermediates:
        return within(unit, 0x20, 0x2F) || ends(within(unit, 0x30, 0x7E));
    case State::controlSequence:
        if (within(unit, 0x30, 0x3F) && m_reportable &&
            m_parameterCount < qsizetype(m_parameters.size())) {
            m_parameters[m_parameterCount++] = unit;
            return true;
        }
        if (within(unit, 0x20, 0x3F)) {
            m_reportable = false;
            return true;
        }
        if (within(unit, 0x40, 0x7E) && m_reportable)
            output.controlSequence(unit, QStringView(m_parameters.data(), m_parameterCount));
        return ends(within(unit, 0x40, 0x7E));
    case State::controlString:
        if (unit == escapeCharacter) {
            m_state = State::stringEscape;
            return true;
        }
        return ends(true);
    case State::stringEscape:
        // ESC \ is ST; an ESC before anything else ends the string and begins a sequence.
        if (unit == u'\\')
            return ends(true);
        m_state = State::escape;
        return false;
    }
    return ends(false);
}

} // namespace Core
