#include "Capture/EmbeddedObjects.h"

#include <algorithm>
#include <vector>

namespace Capture::EmbeddedObjects {

using Core::CaptureError;
using Node = Hypertext::Node;

namespace {

// Deeper than any page nests its blocks; a text nested deeper is left unread.
constexpr int deepestNesting = 64;

// The text being put together. Line breaks and cell separators asked for are written only
// between two pieces of text, the most line breaks asked for between them.
class Lines {
public:
    void breakLines(int count) { m_breaks = std::max(m_breaks, count); }
    void separateCells() { m_separateCells = true; }

    void append(QStringView text) {
        if (text.isEmpty())
            return;
        if (!m_text.isEmpty()) {
            if (m_breaks > 0)
                m_text.append(QString(m_breaks, u'\n'));
            else if (m_separateCells)
                m_text.append(u'\t');
        }
        m_breaks = 0;
        m_separateCells = false;
        m_text.append(text);
    }

    QString take() { return std::move(m_text); }

private:
    QString m_text;
    int m_breaks = 0;
    bool m_separateCells = false;
};

enum class Outcome { read, unreadable, tooLarge };

// An embedded object in a text: where it stands in the string, and its offset in the toolkit's
// units, characters.
struct Object {
    qsizetype position;
    qint32 offset;
};

std::vector<Object> objectsIn(const QString& text, qint32 start) {
    std::vector<Object> objects;
    qint32 offset = start;
    for (qsizetype i = 0; i < text.size(); ++i, ++offset) {
        if (text[i] == QChar(character))
            objects.push_back({i, offset});
        else if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
    }
    return objects;
}

class Expansion {
public:
    explicit Expansion(Hypertext& hypertext) : m_hypertext(hypertext) {}

    // Counts a text read towards the limit; false once the texts read are past it. A UTF-16 unit
    // takes at least one byte in UTF-8.
    bool count(QStringView text) {
        m_characters += text.size();
        return m_characters <= CaptureError::maxSelectionBytes;
    }

    // `selected`: the range is the node's selection, which may end anywhere within the objects
    // at its ends; otherwise the node is read whole.
    Outcome write(Node node, const QString& text, TextRange range, bool selected, int depth) {
        const std::vector<Object> objects = objectsIn(text, range.start);
        if (objects.empty()) {
            m_lines.append(text);
            return Outcome::read;
        }
        if (depth >= deepestNesting)
            return Outcome::unreadable;
        const auto children =
            m_hypertext.embedded(node, objects.front().offset, qint32(objects.size()));
        if (!children || children->size() != qsizetype(objects.size()))
            return Outcome::unreadable;
        qsizetype written = 0;
        for (size_t i = 0; i < objects.size(); ++i) {
            m_lines.append(QStringView(text).sliced(written, objects[i].position - written));
            written = objects[i].position + 1;
            // Only the objects at the ends of a selection may be selected in part.
            const bool atEnd = selected && (objects[i].position == 0 || written == text.size());
            if (const Outcome outcome = writeObject((*children)[qsizetype(i)], atEnd, depth + 1);
                outcome != Outcome::read)
                return outcome;
        }
        m_lines.append(QStringView(text).sliced(written));
        return Outcome::read;
    }

    QString take() { return m_lines.take(); }

private:
    Outcome writeObject(Node object, bool atEnd, int depth) {
        auto part = m_hypertext.selection(object);
        const bool selected = part.has_value();
        if (!part) {
            // One at an end that says nothing of its selection may hold an end of it anywhere.
            const auto length = atEnd ? std::nullopt : m_hypertext.length(object);
            if (!length)
                return Outcome::unreadable;
            part = TextRange{0, *length};
        }
        // No more is asked for than could fit.
        if (m_characters + (qint64(part->end) - part->start) > CaptureError::maxSelectionBytes)
            return Outcome::tooLarge;
        const Hypertext::Layout layout = m_hypertext.layout(object);
        // A list item's marker is no part of the selected text.
        part->start =
            std::min(std::max(part->start, m_hypertext.generatedPrefix(object)), part->end);
        open(layout);
        if (part->end > part->start) {
            const auto text = m_hypertext.text(object, *part);
            if (!text)
                return Outcome::unreadable;
            // What the application answered counts, however much less it was asked for.
            if (!count(*text))
                return Outcome::tooLarge;
            if (const Outcome outcome = write(object, *text, *part, selected, depth);
                outcome != Outcome::read)
                return outcome;
        }
        close(layout);
        return Outcome::read;
    }

    void open(Hypertext::Layout layout) {
        switch (layout) {
        case Hypertext::Layout::inlined:
            return;
        case Hypertext::Layout::line:
            return m_lines.breakLines(1);
        case Hypertext::Layout::paragraph:
            return m_lines.breakLines(2);
        case Hypertext::Layout::cell:
            return m_lines.separateCells();
        }
    }
    void close(Hypertext::Layout layout) {
        if (layout == Hypertext::Layout::line || layout == Hypertext::Layout::paragraph)
            open(layout);
    }

    Hypertext& m_hypertext;
    qint64 m_characters = 0;
    Lines m_lines;
};

std::optional<bool> showsText(Hypertext& hypertext, Node node, TextRange range, int depth) {
    const auto text = hypertext.text(node, range);
    if (!text)
        return std::nullopt;
    if (std::ranges::any_of(*text, [](QChar c) { return c != QChar(character) && !c.isSpace(); }))
        return true;
    const std::vector<Object> objects = objectsIn(*text, range.start);
    if (objects.empty())
        return false;
    if (depth >= deepestNesting)
        return std::nullopt;
    const auto children = hypertext.embedded(node, objects.front().offset, qint32(objects.size()));
    if (!children)
        return std::nullopt;
    for (const Node child : *children) {
        const auto part = hypertext.selection(child);
        if (!part)
            continue;
        const auto shows = showsText(hypertext, child, *part, depth + 1);
        if (!shows || *shows)
            return shows;
    }
    return false;
}

} // namespace

std::optional<bool> selectsShownText(Hypertext& hypertext) {
    const auto range = hypertext.selection(0);
    if (!range)
        return std::nullopt;
    return showsText(hypertext, 0, *range, 0);
}

Base::Result<std::optional<QString>, CaptureError> expand(Hypertext& hypertext, const QString& text,
                                                          TextRange range) {
    Expansion expansion(hypertext);
    if (!expansion.count(text))
        return Base::failure(CaptureError::selectionTooLarge());
    switch (expansion.write(0, text, range, true, 0)) {
    case Outcome::read:
        return std::optional(expansion.take());
    case Outcome::unreadable:
        return std::optional<QString>();
    case Outcome::tooLarge:
        return Base::failure(CaptureError::selectionTooLarge());
    }
    Q_UNREACHABLE();
}

} // namespace Capture::EmbeddedObjects
