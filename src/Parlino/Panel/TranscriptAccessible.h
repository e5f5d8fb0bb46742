#pragma once

#include <QAccessibleWidget>
#include <QString>

#include <optional>

namespace Parlino {

class PlayerViewModel;
class TranscriptCanvas;

// The transcript as assistive tools read it: a read-only text named "Transcript" holding the
// read's text, with the caret at the start of the current word and that word as the selection.
// Screen readers read the text through the text interface (review, "read all", where am I) and
// learn where the read stands from the caret and the selection, which move with the spoken word
// and announce each move with the caret-moved and selection-changed events; a spoken
// announcement of each word would talk over the voice that reads it.
class TranscriptAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TranscriptAccessible(TranscriptCanvas& canvas);

    // Installs the interface for `canvas` (once for the process) and tells assistive tools of
    // every change of the model's text and current word, once the canvas shows it.
    static void follow(const PlayerViewModel& model, TranscriptCanvas& canvas);

    // The current word's range in the text, when one is being spoken.
    static std::optional<std::pair<int, int>> currentWord(const TranscriptCanvas& canvas);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
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
    QString wholeText() const;

    TranscriptCanvas& m_canvas;
};

} // namespace Parlino
