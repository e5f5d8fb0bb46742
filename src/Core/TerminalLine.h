#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace Core {

// The line that a terminal shows of what is written to it, handed on once it can no longer
// change: at the line feed that ends it, or when the text ends. A carriage return takes the cursor
// back to the line's start and a backspace one column back, so that what is written next stands
// in the place of what was there: a progress line redrawn shows its last state, a typo erased
// with backspaces is gone, an overstruck letter shows once. A tab moves on to the next stop of
// eight columns. The control sequences that erase in the line (ESC [ K) or move the cursor along
// it (ESC [ D, C, G) do as they say. Wide characters take two columns, and marks sit on the
// character before them. A line longer than `width` columns goes on in a row of its own, as on a
// terminal that wide, so that no more than that is held back.
class TerminalLine {
public:
    using Sink = std::function<void(QStringView text)>;

    static constexpr qsizetype width = 1024;

    // Writes text without escape sequences; hands `shown` each line that it ends.
    void write(QStringView text, const Sink& shown);
    // A control sequence, by its final character and its parameters: those that do nothing to the
    // line are let be.
    void control(char16_t final, QStringView parameters, const Sink& shown);
    // The text has ended: hands `shown` the line as it shows.
    void finish(const Sink& shown);

private:
    // Writes from `at` on while the cursor stays at the line's end; gives where it stopped: at
    // the end of the text, or at what moves the cursor back into the line or is written there.
    qsizetype writePlain(QStringView text, qsizetype at, const Sink& shown);
    // Writes from `at` on in the line being edited, until the line or the text ends; gives where.
    qsizetype writeEditing(QStringView text, qsizetype at, const Sink& shown);
    // Appends a run without a line feed, carriage return or backspace at the line's end.
    void appendPlain(QStringView run, const Sink& shown);
    // From now until the line ends, each column is held apart, for the cursor to go back into.
    void beginEditing(const Sink& shown);
    // Writes one character at the cursor in the line being edited.
    void put(QStringView character, const Sink& shown);
    // Writes a high surrogate left waiting for its low half as it is.
    void putWaitingHalf(const Sink& shown);
    // Blanks up to the given column, where nothing was written yet.
    void padTo(qsizetype columns);
    // Makes the column hold no half of a wide character but its own.
    void vacate(qsizetype column);
    void erase(QStringView parameters, const Sink& shown);
    void endLine(const Sink& shown, bool withLineFeed);

    // The line as written while the cursor stays at its end: no column was gone back into.
    QString m_plain;
    // A carriage return came after m_plain: the cursor is at the line's start.
    bool m_returned = false;
    // The line being edited: one entry per column, empty for the right half of a wide character.
    std::vector<std::u16string> m_cells;
    bool m_editing = false;
    qsizetype m_cursor = 0;
    // The high half of a surrogate pair that ended a piece of the line being edited.
    char16_t m_highSurrogate = 0;
};

} // namespace Core
