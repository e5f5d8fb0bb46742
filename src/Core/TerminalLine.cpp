#include "Core/TerminalLine.h"

#include "Base/Unicode.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace Core {

namespace {

constexpr char16_t backspace = 0x08;
constexpr qsizetype tabStop = 8;

// Where the next character that moves the cursor back comes, from `from` on: a backspace, or a
// carriage return but the one of a CR LF, which ends its line as it is. Both are below U+000E:
// blocks of units that are all above it are passed over at once.
qsizetype nextMoveBack(QStringView text, qsizetype from) {
    const auto* units = reinterpret_cast<const char16_t*>(text.utf16());
    constexpr qsizetype block = 16;
    for (;;) {
        while (from + block <= text.size()) {
            bool low = false;
            for (qsizetype i = 0; i < block; ++i)
                low |= units[from + i] <= u'\r';
            if (low)
                break;
            from += block;
        }
        for (const qsizetype end = std::min(from + block, text.size()); from < end; ++from)
            if (units[from] == backspace ||
                (units[from] == u'\r' && (from + 1 == text.size() || units[from + 1] != u'\n')))
                return from;
        if (from == text.size())
            return from;
    }
}

// Where the last line feed of `run` is; -1 when it has none. Found forwards, a run at a time.
qsizetype lastLineFeed(QStringView run) {
    qsizetype last = -1;
    for (qsizetype at = run.indexOf(u'\n'); at >= 0; at = run.indexOf(u'\n', at + 1))
        last = at;
    return last;
}

// The count that a control sequence's parameter gives: 1 when it is missing or 0; none when the
// parameters are no single number.
std::optional<qsizetype> countIn(QStringView parameters) {
    qsizetype count = 0;
    for (const QChar digit : parameters) {
        if (digit < u'0' || digit > u'9')
            return std::nullopt;
        count = std::min(count * 10 + (digit.unicode() - u'0'), TerminalLine::width);
    }
    return std::max<qsizetype>(count, 1);
}

} // namespace

void TerminalLine::write(QStringView text, const Sink& shown) {
    qsizetype at = 0;
    if (m_highSurrogate != 0 && !text.isEmpty()) {
        const bool paired = text.front().isLowSurrogate();
        const std::array<char16_t, 2> pair{std::exchange(m_highSurrogate, 0),
                                           text.front().unicode()};
        put(QStringView(pair.data(), paired ? 2 : 1), shown);
        at = paired ? 1 : 0;
    }
    while (at < text.size()) {
        if (!m_editing) {
            if ((at = writePlain(text, at, shown)) == text.size())
                return;
            beginEditing(shown);
        }
        at = writeEditing(text, at, shown);
    }
}

void TerminalLine::control(char16_t final, QStringView parameters, const Sink& shown) {
    if (final == u'K') {
        erase(parameters, shown);
        return;
    }
    const auto count = countIn(parameters);
    if (!count || (final != u'D' && final != u'C' && final != u'G'))
        return;
    beginEditing(shown);
    if (final == u'D')
        m_cursor = std::max<qsizetype>(m_cursor - *count, 0);
    else if (final == u'C')
        m_cursor = std::min(m_cursor + *count, width);
    else
        m_cursor = *count - 1;
}

void TerminalLine::finish(const Sink& shown) {
    putWaitingHalf(shown);
    endLine(shown, false);
}

qsizetype TerminalLine::writePlain(QStringView text, qsizetype at, const Sink& shown) {
    while (at < text.size()) {
        if (!m_returned) {
            // Up to the next carriage return or backspace, the lines that end go as written.
            const qsizetype end = nextMoveBack(text, at);
            QStringView run = text.sliced(at, end - at);
            if (const qsizetype lastFeed = lastLineFeed(run); lastFeed >= 0) {
                if (!m_plain.isEmpty()) {
                    shown(m_plain);
                    m_plain.resize(0);
                }
                shown(run.first(lastFeed + 1));
                run = run.sliced(lastFeed + 1);
            }
            appendPlain(run, shown);
            if ((at = end) == text.size())
                return at;
        }
        switch (text[at].unicode()) {
        case u'\n':
            endLine(shown, true);
            break;
        case u'\r':
            m_returned = !m_plain.isEmpty();
            break;
        case backspace:
            if (!m_returned)
                return at;
            break;
        default: // what is written over the line after a carriage return
            return at;
        }
        ++at;
    }
    return at;
}

qsizetype TerminalLine::writeEditing(QStringView text, qsizetype at, const Sink& shown) {
    while (at < text.size() && m_editing) {
        const char16_t unit = text[at].unicode();
        qsizetype length = 1;
        switch (unit) {
        case u'\n':
            endLine(shown, true);
            break;
        case u'\r':
            m_cursor = 0;
            break;
        case backspace:
            m_cursor = std::max<qsizetype>(m_cursor - 1, 0);
            break;
        case u'\t':
            m_cursor = std::min((m_cursor / tabStop + 1) * tabStop, width);
            break;
        default:
            if (QChar::isHighSurrogate(unit)) {
                if (at + 1 == text.size()) {
                    // Its low half comes with the next piece.
                    m_highSurrogate = unit;
                    return text.size();
                }
                length = text[at + 1].isLowSurrogate() ? 2 : 1;
            }
            put(text.sliced(at, length), shown);
        }
        at += length;
    }
    return at;
}

void TerminalLine::appendPlain(QStringView run, const Sink& shown) {
    const qsizetype total = m_plain.size() + run.size();
    if (total <= width) {
        m_plain.append(run);
        return;
    }
    // The rows that are full go on; the last stays, for the cursor to go back into.
    qsizetype fromRun = run.size() - total % width;
    if (fromRun > 0 && run[fromRun - 1].isHighSurrogate())
        --fromRun;
    if (!m_plain.isEmpty())
        shown(m_plain);
    if (fromRun > 0)
        shown(run.first(fromRun));
    m_plain.resize(0);
    m_plain.append(run.sliced(fromRun));
}

void TerminalLine::beginEditing(const Sink& shown) {
    if (m_editing)
        return;
    QString plain = std::exchange(m_plain, QString());
    const bool returned = std::exchange(m_returned, false);
    m_editing = true;
    m_cells.clear();
    m_cursor = 0;
    writeEditing(plain, 0, shown);
    // Its room serves the line edited, once written out.
    plain.resize(0);
    m_plain.swap(plain);
    // What follows the line as written is not the low half of a high surrogate that ends it.
    putWaitingHalf(shown);
    if (returned)
        m_cursor = 0;
}

void TerminalLine::putWaitingHalf(const Sink& shown) {
    if (m_highSurrogate == 0)
        return;
    const char16_t alone = std::exchange(m_highSurrogate, 0);
    put(QStringView(&alone, 1), shown);
}

void TerminalLine::put(QStringView character, const Sink& shown) {
    const char32_t scalar = character.size() == 2
                                ? QChar::surrogateToUcs4(character[0], character[1])
                                : character[0].unicode();
    const qsizetype columns =
        scalar >= 0x20 && scalar < 0x7F ? 1 : Base::Unicode::terminalColumns(scalar);
    const std::u16string_view units(reinterpret_cast<const char16_t*>(character.utf16()),
                                    size_t(character.size()));
    if (columns == 0) {
        // A mark sits on the character before the cursor; at the line's start there is none.
        if (m_cursor == 0)
            return;
        padTo(m_cursor);
        qsizetype column = m_cursor - 1;
        if (m_cells[column].empty())
            --column;
        m_cells[column] += units;
        return;
    }
    if (m_cursor + columns > width) {
        endLine(shown, false);
        beginEditing(shown);
    }
    padTo(m_cursor);
    vacate(m_cursor);
    if (columns == 2)
        vacate(m_cursor + 1);
    for (qsizetype column = m_cursor; column < m_cursor + columns; ++column) {
        const std::u16string_view written = column == m_cursor ? units : std::u16string_view();
        if (column < qsizetype(m_cells.size()))
            m_cells[column] = written;
        else
            m_cells.emplace_back(written);
    }
    m_cursor += columns;
}

void TerminalLine::padTo(qsizetype columns) {
    while (qsizetype(m_cells.size()) < columns)
        m_cells.emplace_back(1, u' ');
}

void TerminalLine::vacate(qsizetype column) {
    const auto size = qsizetype(m_cells.size());
    if (column >= size)
        return;
    if (m_cells[column].empty())
        m_cells[column - 1] = u" ";
    else if (column + 1 < size && m_cells[column + 1].empty())
        m_cells[column + 1] = u" ";
}

void TerminalLine::erase(QStringView parameters, const Sink& shown) {
    const bool toEnd = parameters.isEmpty() || parameters == u"0";
    const bool whole = parameters == u"2";
    if (!toEnd && !whole && parameters != u"1")
        return;
    if (!m_editing && (toEnd || (whole && m_returned))) {
        // From the line's start, all of it goes; from its end, nothing.
        if (m_returned)
            m_plain.resize(0);
        m_returned = false;
        return;
    }
    beginEditing(shown);
    if (whole) {
        m_cells.clear();
    } else if (toEnd) {
        if (m_cursor < qsizetype(m_cells.size())) {
            vacate(m_cursor);
            m_cells.resize(m_cursor);
        }
    } else if (!m_cells.empty()) {
        const auto last = std::min(m_cursor, qsizetype(m_cells.size()) - 1);
        vacate(last);
        for (qsizetype column = 0; column <= last; ++column)
            m_cells[column] = u" ";
    }
}

void TerminalLine::endLine(const Sink& shown, bool withLineFeed) {
    // The line edited is written out where the line as written was.
    if (m_editing)
        for (const std::u16string& cell : m_cells)
            m_plain.append(QStringView(cell.data(), qsizetype(cell.size())));
    if (withLineFeed)
        m_plain.append(u'\n');
    if (!m_plain.isEmpty())
        shown(m_plain);
    m_plain.resize(0);
    m_cells.clear();
    m_editing = false;
    m_returned = false;
    m_cursor = 0;
}

} // namespace Core
