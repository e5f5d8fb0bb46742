#pragma once

#include <QString>
#include <QStringView>

#include <functional>

namespace Core {

// Takes the escape sequences of terminal output out of a text, each whole, so that no part of one
// is read aloud: control sequences (ESC [ or CSI, parameters, a final character: colours, cursor
// moves, erasing), control strings up to their terminator (ESC ] or OSC: titles and links; ESC P
// or DCS, ESC X or SOS, ESC ^ or PM, ESC _ or APC), and the escapes of one character after ESC and
// the intermediates between (ESC 7, ESC ( B). The text may come in pieces cut anywhere, inside a
// sequence too. A control string still open at a line break or at the end of the text was none:
// what followed its opening is given back as text, so that a stray opening loses nothing.
class EscapeSequenceFilter {
public:
    using Sink = std::function<void(QStringView text)>;

    // Hands `text` each run of `piece` outside escape sequences, in order.
    void filter(QStringView piece, const Sink& text);
    // The text has ended: a control string still open is given back.
    void finish(const Sink& text);

private:
    enum class State : quint8 {
        text,
        escape,          // after ESC
        intermediates,   // after ESC and characters of 0x20…0x2F
        controlSequence, // after ESC [ or CSI
        controlString,   // after an opening, its characters kept in m_openString
        stringEscape,    // after ESC inside a control string: ST or the end of the string
    };

    // Where the run of characters that `state` passes over in one go ends, from `from` on.
    qsizetype runEnd(QStringView piece, qsizetype from) const;
    // Takes one character into the sequence under way; false when the sequence ended before it,
    // which then stands for itself in the state that follows.
    bool take(char16_t unit, const Sink& text);
    void giveBackOpenString(const Sink& text);

    State m_state = State::text;
    QString m_openString;
};

} // namespace Core
