#include "Capture/FlowingSelection.h"

#include "Capture/CaptureStrategy.h"

#include <QStringList>

#include <deque>
#include <vector>

namespace Capture::FlowingSelection {

using Core::CaptureError;

namespace {

constexpr int backward = -1;
constexpr int forward = 1;

// Collects the selected parts outwards from the focused text, in document order. A text left
// empty between two parts is a part with an empty range: it has nothing to select.
class Walk {
public:
    explicit Walk(TextFlow& flow) : m_flow(flow) {}

    void fromFocusedText() {
        if (const auto selected = m_flow.selection(0)) {
            add({0, *selected}, forward);
            followFrom(*selected);
            return;
        }
        // Nothing selected here, yet the caret may end a selection made over the texts before or
        // after this one: a keyboard selection of whole paragraphs stops at the next one's start.
        if (!m_flow.exists(backward) && !m_flow.exists(forward))
            return;
        if (const auto caret = m_flow.caret(0))
            followFrom({*caret, *caret});
    }

    bool tooLarge() const { return m_characters > CaptureError::maxSelectionBytes; }
    const std::deque<Part>& parts() const { return m_parts; }

private:
    void followFrom(TextRange focused) {
        if (focused.start == 0 && m_flow.exists(backward))
            follow(backward);
        const auto length = m_flow.length(0);
        if (length && focused.end >= *length && m_flow.exists(forward))
            follow(forward);
    }

    // Goes on while each text's selection reaches over from the one before it and on to the
    // next; empty texts are taken only when a selected part follows them.
    void follow(int direction) {
        std::vector<Part> empties;
        for (int step = direction; !tooLarge() && m_flow.exists(step); step += direction) {
            const auto length = m_flow.length(step);
            if (!length)
                return;
            if (*length == 0) {
                empties.push_back({step, {}});
                continue;
            }
            const auto selected = m_flow.selection(step);
            const bool reachesStart = selected && selected->start == 0;
            const bool reachesEnd = selected && selected->end >= *length;
            if (!(direction == forward ? reachesStart : reachesEnd))
                return;
            for (const Part& empty : empties)
                add(empty, direction);
            empties.clear();
            add({step, *selected}, direction);
            if (!(direction == forward ? reachesEnd : reachesStart))
                return;
        }
    }

    void add(Part part, int direction) {
        // Each part counts with the line break that ends it.
        m_characters += qint64(part.range.end) - part.range.start + 1;
        if (direction == forward)
            m_parts.push_back(part);
        else
            m_parts.push_front(part);
    }

    TextFlow& m_flow;
    std::deque<Part> m_parts;
    qint64 m_characters = 0;
};

} // namespace

Base::Result<std::optional<Read>, CaptureError> read(TextFlow& flow) {
    Walk walk(flow);
    walk.fromFocusedText();
    if (walk.tooLarge())
        return Base::failure(CaptureError::selectionTooLarge());
    // Whatever was not answered in time may have been more of the selection.
    if (flow.expired())
        return Base::failure(CaptureError::timedOut());
    if (walk.parts().empty())
        return std::optional<Read>();

    QStringList lines;
    for (const Part& part : walk.parts()) {
        if (part.range.start == part.range.end) {
            lines.append(QString());
            continue;
        }
        auto text = flow.text(part.step, part.range);
        if (!text)
            return Base::failure(text.error());
        if (!*text) {
            if (flow.expired())
                return Base::failure(CaptureError::timedOut());
            return std::optional<Read>();
        }
        lines.append(std::move(**text));
    }
    QString text = lines.join(u'\n');
    if (exceedsSelectionLimit(text))
        return Base::failure(CaptureError::selectionTooLarge());
    return std::optional(Read{std::move(text), walk.parts().front(), walk.parts().back()});
}

} // namespace Capture::FlowingSelection
