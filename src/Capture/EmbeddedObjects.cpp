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

// The node's selected range, as selection() tells it; a control that tells none is selected
// whole wherever a selection reaches it, since none ends in it.
std::optional<TextRange> selectionReaching(Hypertext& hypertext, Node node) {
    if (auto range = hypertext.selection(node))
        return range;
    const auto length = hypertext.isAtomic(node) ? hypertext.length(node) : std::nullopt;
    if (!length || *length == 0)
        return std::nullopt;
    return TextRange{0, *length};
}

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

// What of each embedded object an expansion reads.
enum class Parts { selected, whole };

class Expansion {
public:
    Expansion(Hypertext& hypertext, Parts parts) : m_hypertext(hypertext), m_parts(parts) {}

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
        auto part =
            m_parts == Parts::selected ? selectionReaching(m_hypertext, object) : std::nullopt;
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
    const Parts m_parts;
    qint64 m_characters = 0;
    Lines m_lines;
};

Base::Result<std::optional<QString>, CaptureError> expandIn(Parts parts, Hypertext& hypertext,
                                                            const QString& text, TextRange range) {
    Expansion expansion(hypertext, parts);
    if (!expansion.count(text))
        return Base::failure(CaptureError::selectionTooLarge());
    switch (expansion.write(0, text, range, parts == Parts::selected, 0)) {
    case Outcome::read:
        return std::optional(expansion.take());
    case Outcome::unreadable:
        return std::optional<QString>();
    case Outcome::tooLarge:
        return Base::failure(CaptureError::selectionTooLarge());
    }
    Q_UNREACHABLE();
}

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

// Whether `range` of the node, whose text is `text`, is all of the node's text, and each object at
// its ends is selected whole too.
std::optional<bool> selectsAllOf(Hypertext& hypertext, Node node, TextRange range,
                                 const QString& text, int depth) {
    const auto length = hypertext.length(node);
    if (!length)
        return std::nullopt;
    if (range.start != 0 || range.end != *length)
        return false;
    const std::vector<Object> objects = objectsIn(text, range.start);
    std::vector<Object> ends;
    if (!objects.empty() && objects.front().position == 0)
        ends.push_back(objects.front());
    if (!objects.empty() && objects.back().position == text.size() - 1 &&
        (ends.empty() || objects.back().position != 0))
        ends.push_back(objects.back());
    if (!ends.empty() && depth >= deepestNesting)
        return std::nullopt;
    for (const Object& end : ends) {
        const auto child = hypertext.embedded(node, end.offset, 1);
        if (!child || child->size() != 1)
            return std::nullopt;
        const auto part = selectionReaching(hypertext, child->front());
        if (!part)
            return false;
        const auto partText = hypertext.text(child->front(), *part);
        if (!partText)
            return std::nullopt;
        const auto whole = selectsAllOf(hypertext, child->front(), *part, *partText, depth + 1);
        if (whole != true)
            return whole;
    }
    return true;
}

} // namespace

std::optional<bool> selectsWhole(Hypertext& hypertext) {
    Node node = 0;
    auto range = hypertext.selection(node);
    for (int depth = 0; range && depth < deepestNesting; ++depth) {
        const auto text = hypertext.text(node, *range);
        if (!text)
            return std::nullopt;
        if (*text != QString(QChar(character)))
            return selectsAllOf(hypertext, node, *range, *text, depth);
        // A selection of one embedded object is that object's.
        const auto child = hypertext.embedded(node, range->start, 1);
        if (!child || child->size() != 1)
            return std::nullopt;
        node = child->front();
        range = selectionReaching(hypertext, node);
    }
    return std::nullopt;
}

std::optional<bool> selectsShownText(Hypertext& hypertext) {
    const auto range = hypertext.selection(0);
    if (!range)
        return std::nullopt;
    return showsText(hypertext, 0, *range, 0);
}

Base::Result<std::optional<QString>, CaptureError> expand(Hypertext& hypertext, const QString& text,
                                                          TextRange range) {
    return expandIn(Parts::selected, hypertext, text, range);
}

Base::Result<std::optional<QString>, CaptureError> readWhole(Hypertext& hypertext) {
    const auto length = hypertext.length(0);
    const auto text = length ? hypertext.text(0, {0, *length}) : std::nullopt;
    if (!text)
        return std::optional<QString>();
    return expandIn(Parts::whole, hypertext, *text, {0, *length});
}

} // namespace Capture::EmbeddedObjects
