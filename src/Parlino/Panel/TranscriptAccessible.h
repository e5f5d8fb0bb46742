#pragma once

#include <QAccessibleWidget>
#include <QString>

#include <optional>

namespace Parlino {

class PlayerViewModel;
class TranscriptCanvas;

// The transcript as assistive tools read it: a read-only text named "Transcript" holding the
// read's text, with the caret at the start of the current word. Screen readers read the text
// through the text interface (review, "read all", where am I) and find the current word at the
// caret when they ask for it, as they do when the transcript takes the focus. The caret moves
// with the spoken word without a caret-moved event and nothing is ever selected: a screen
// reader speaks such events, and its voice would talk over the one that reads.
class TranscriptAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TranscriptAccessible(TranscriptCanvas& canvas);

    // Installs the interface for `canvas` (once for the process) and tells assistive tools of
    // every change of the model's text, once the canvas shows it.
    static void follow(const PlayerViewModel& model, TranscriptCanvas& canvas);

    // The current word's range in the text, when one is being spoken.
    static std::optional<std::pair<int, int>> currentWord(const TranscriptCanvas& canvas);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;

    void selection(int, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override;
    void setCursorPosition(int) override {}
    QString text(QAccessible::Text type) const override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    TranscriptCanvas& m_canvas;
};

} // namespace Parlino
