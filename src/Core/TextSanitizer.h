#pragma once

#include "Core/EscapeSequenceFilter.h"
#include "Core/TerminalLine.h"

#include <QString>
#include <QStringView>

#include <utility>

namespace Core::TextSanitizer {

// The canonical form of a captured text: what a terminal shows of it, with the escape sequences
// of terminal output removed whole (EscapeSequenceFilter) and each line in its final state, its
// carriage returns and backspaces applied (TerminalLine); leading and trailing white space
// removed, each run of white space between visible characters folded to one space, one line break
// or one blank line; the information separators (U+001C to U+001F, between the fields of
// records) read as spaces; other control characters, zero-width spaces, replacement characters
// (U+FFFD, what invalid UTF-8 decodes to on every way a text comes in) and object replacement
// characters (U+FFFC, what an embedded object leaves in a text) dropped. A text with nothing in
// it to be read aloud (Base::Unicode::isSpoken), only white space and invisible characters, is
// empty.
QString sanitize(const QString& text);

// The canonical form of a text that arrives in pieces, built as they come: once every piece is
// appended, take() gives what sanitize() gives for the whole, wherever the pieces were cut (inside
// a run of white space or an escape sequence, between a CR and its LF, between the halves of a
// surrogate pair).
class Builder {
public:
    void reserve(qsizetype size) { m_text.reserve(size); }
    void append(QStringView piece);
    // The text built so far, to measure it as it grows: the line under way (up to
    // TerminalLine::width columns) waits for its end, the white space after the last visible
    // character for the next one, and a text with nothing to be read aloud is not empty yet.
    const QString& text() const { return m_text; }
    QString take();
    // The text so far ends in a terminal's control string that is still open, such as a title
    // whose end never came: what followed its opening is not shown.
    bool isInControlString() const { return m_escapes.isInControlString(); }

private:
    // Appends text as a terminal shows it.
    void appendText(QStringView text);
    void lookForSpeech();

    EscapeSequenceFilter m_escapes;
    TerminalLine m_line;
    QString m_text;
    // How much of m_text has been looked at for something to be read aloud, short of finding it.
    qsizetype m_lookedAt = 0;
    bool m_spoken = false;
    int m_pendingBreaks = 0;
    bool m_pendingSpace = false;
};

} // namespace Core::TextSanitizer
