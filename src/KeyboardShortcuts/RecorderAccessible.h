#pragma once

#include <QAccessibleWidget>

class QLineEdit;

namespace KeyboardShortcuts {

// What assistive tools get of a recorder field: an editable text whose whole value is the
// shortcut ("Ctrl+Alt+Shift+O"), with the field's caret and selection, named by the field's
// accessible name and described by its placeholder. Its text is one run of attributes from the
// first character to the last: the toolkit's own interface for line edits gives every character
// an empty run, and a screen reader that joins the runs then drops the last character.
class RecorderAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    // Gives `field` this interface; installs its factory once for the process.
    static void install(QLineEdit& field);

    explicit RecorderAccessible(QLineEdit& field);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text type) const override;
    QAccessible::State state() const override;

    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    int selectionCount() const override;
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int, int) override {}

private:
    QLineEdit& m_field;
};

} // namespace KeyboardShortcuts
