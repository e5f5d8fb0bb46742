#pragma once

#include "Capture/TextFlow.h"

#include <QList>

#include <optional>

namespace Capture {

// The accessibles that a text's embedded objects stand for: a web browser shows each paragraph of
// a page as one object replacement character (U+FFFC) in the document's text, and each link of a
// paragraph so in the paragraph's, each with a text of its own. An accessible is named by a
// number: 0 is the text being read, any other one is what `embedded` gave. Each answer is absent
// when it could not be read, also once the time for the read is up.
class Hypertext {
public:
    using Node = int;

    // How an accessible's text stands among the text around it, as the application lays it out.
    enum class Layout {
        inlined,   // within the line, as a link
        line,      // on lines of its own, as a list item or a heading
        paragraph, // set apart by a blank line
        cell,      // beside the other cells of its row
    };

    virtual ~Hypertext() = default;

    // The accessibles of the `count` embedded objects that follow one another in `parent`'s text,
    // other text between them or not, from the one at `offset` on, in that order.
    virtual std::optional<QList<Node>> embedded(Node parent, qint32 offset, qint32 count) = 0;
    virtual std::optional<qint32> length(Node node) = 0;
    // The text's selected range; nothing when it has none or an empty one.
    virtual std::optional<TextRange> selection(Node node) = 0;
    virtual std::optional<QString> text(Node node, TextRange range) = 0;
    virtual Layout layout(Node node) = 0;
    // How many characters at the start of the text the application put there itself, as a list
    // item's marker, which its own copy of the text leaves out. Asked after layout().
    virtual qint32 generatedPrefix(Node node) = 0;
    // The accessible is a control whose text is its label, which the user selects over but never
    // in (a button, an image's description): a selection that reaches it holds all of it.
    virtual bool isAtomic(Node node) = 0;
};

} // namespace Capture
