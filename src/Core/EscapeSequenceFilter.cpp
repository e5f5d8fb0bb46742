#include "Core/EscapeSequenceFilter.h"

#include <utility>

namespace Core {

namespace {

constexpr char16_t escapeCharacter = 0x1B;
constexpr char16_t bell = 0x07;
constexpr char16_t cancel = 0x18;
constexpr char16_t substitute = 0x1A;
// The 8-bit forms of CSI and ST.
constexpr char16_t controlSequenceIntroducer = 0x9B;
constexpr char16_t stringTerminator = 0x9C;

bool within(char16_t unit, char16_t low, char16_t high) {
    return unit >= low && unit <= high;
}

// DCS, SOS, OSC, PM and APC: 0x90, 0x98, 0x9D, 0x9E and 0x9F.
bool opensControlString(char16_t unit) {
    constexpr unsigned openings = 1u << 0x0 | 1u << 0x8 | 1u << 0xD | 1u << 0xE | 1u << 0xF;
    return within(unit, 0x90, 0x9F) && (openings >> (unit - 0x90) & 1u) != 0;
}

bool startsSequence(char16_t unit) {
    return unit == escapeCharacter || unit == controlSequenceIntroducer || opensControlString(unit);
}

bool isLineBreak(char16_t unit) {
    return unit == u'\n' || unit == u'\r';
}

// What ends a control string (BEL or ST as a terminal takes them, CAN and SUB cancelling it, ESC
// beginning ST or another sequence), or shows that it was none (a line break).
bool interruptsControlString(char16_t unit) {
    return unit == bell || unit == stringTerminator || unit == cancel || unit == substitute ||
           unit == escapeCharacter || isLineBreak(unit);
}

} // namespace

void EscapeSequenceFilter::filter(QStringView piece, const Sink& text) {
    for (qsizetype at = 0; at < piece.size();) {
        if (m_state == State::text || m_state == State::controlString) {
            const QStringView run = piece.sliced(at, runEnd(piece, at) - at);
            if (m_state == State::controlString)
                m_openString.append(run);
            else if (!run.isEmpty())
                text(run);
            if ((at += run.size()) == piece.size())
                return;
        }
        if (take(piece[at].unicode(), text))
            ++at;
    }
}

void EscapeSequenceFilter::finish(const Sink& text) {
    if (m_state == State::controlString)
        giveBackOpenString(text);
    m_openString = QString();
    m_state = State::text;
}

qsizetype EscapeSequenceFilter::runEnd(QStringView piece, qsizetype from) const {
    const auto end = [&](auto stops) {
        const auto* units = reinterpret_cast<const char16_t*>(piece.utf16());
        while (from < piece.size() && !stops(units[from]))
            ++from;
        return from;
    };
    return m_state == State::text ? end(startsSequence) : end(interruptsControlString);
}

bool EscapeSequenceFilter::take(char16_t unit, const Sink& text) {
    // The sequence ends, with this character or before it.
    const auto ends = [this](bool withIt) {
        m_state = State::text;
        return withIt;
    };
    switch (m_state) {
    case State::text:
        m_state = unit == escapeCharacter             ? State::escape
                  : unit == controlSequenceIntroducer ? State::controlSequence
                                                      : State::controlString;
        return true;
    case State::escape:
        if (unit == u'[')
            m_state = State::controlSequence;
        else if (unit == u']' || unit == u'P' || unit == u'X' || unit == u'^' || unit == u'_')
            m_state = State::controlString;
        else if (within(unit, 0x20, 0x2F))
            m_state = State::intermediates;
        else if (unit != escapeCharacter)
            return ends(within(unit, 0x30, 0x7E));
        return true;
    case State::intermediates:
        return within(unit, 0x20, 0x2F) || ends(within(unit, 0x30, 0x7E));
    case State::controlSequence:
        return within(unit, 0x20, 0x3F) || ends(within(unit, 0x40, 0x7E));
    case State::controlString:
        if (unit == escapeCharacter) {
            m_state = State::stringEscape;
            return true;
        }
        if (isLineBreak(unit)) {
            giveBackOpenString(text);
            return ends(false);
        }
        m_openString.clear();
        return ends(true);
    case State::stringEscape:
        // ESC \ is ST; an ESC before anything else ends the string and begins a sequence.
        m_openString.clear();
        if (unit == u'\\')
            return ends(true);
        m_state = State::escape;
        return false;
    }
    return ends(false);
}

void EscapeSequenceFilter::giveBackOpenString(const Sink& text) {
    const QString given = std::exchange(m_openString, QString());
    if (!given.isEmpty())
        text(given);
}

} // namespace Core
