#pragma once

#include <QStringView>

#include <array>
#include <functional>

namespace Core {

// Takes the escape sequences of terminal output out of a text, each whole, so that no part of one
// is read aloud: control sequences (ESC [, parameters, a final character: colours, cursor moves,
// erasing), control strings up to their end (ESC ] titles and links, ESC P, ESC X, ESC ^, ESC _,
// and ESC k, the title of screen and tmux), and the escapes of one character after ESC and the
// intermediates between (ESC 7, ESC ( B). As on a terminal, a control string runs until BEL or
// ST (ESC \) ends it, CAN or SUB cancels it or ESC begins another sequence: a line break does not
// end it, and one still open when the text ends shows nothing. The 8-bit controls (U+0080 to
// U+009F) are no sequences here, as on a terminal that reads UTF-8, which shows them as nothing
// and what follows them as text. The text may come in pieces cut anywhere, inside a sequence too.
class EscapeSequenceFilter {
public:
    // Where what is left goes: the runs of text outside sequences, in order, and the control
    // sequences without intermediates, by their final character and parameters ("1;31" of
    // ESC [ 1 ; 31 m), for whoever shows what they do.
    struct Output {
        std::function<void(QStringView text)> text;
        std::function<void(char16_t final, QStringView parameters)> controlSequence;
    };

    void filter(QStringView piece, const Output& output);
    // A control string is open: nothing written since its opening shows.
    bool isInControlString() const {
        return m_state == State::controlString || m_state == State::stringEscape;
    }

private:
    enum class State : quint8 {
        text,
        escape,          // after ESC
        intermediates,   // after ESC and characters of 0x20…0x2F
        controlSequence, // after ESC [
        controlString,   // after an opening, until its end
        stringEscape,    // after ESC inside a control string: ST or the end of the string
    };

    // Where the run of characters that the state passes over in one go ends, from `from` on.
    qsizetype runEnd(QStringView piece, qsizetype from) const;
    // Takes one character into the sequence under way; false when the sequence ended before it,
    // which then stands for itself in the state that follows.
    bool take(char16_t unit, const Output& output);

    State m_state = State::text;
    // The control sequence under way: its parameters, and whether it is one to hand on (no
    // intermediates, and parameters that fit).
    std::array<char16_t, 16> m_parameters{};
    qsizetype m_parameterCount = 0;
    bool m_reportable = true;
};

} // namespace Core
