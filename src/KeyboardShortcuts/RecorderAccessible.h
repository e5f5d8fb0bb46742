#pragma once

#include "Base/Widgets/PlainTextAccessible.h"

class QLineEdit;

namespace KeyboardShortcuts {

// What assistive tools get of a recorder field: an editable text whose whole value is the
// shortcut ("Ctrl+Alt+Shift+O") in one run of attributes, with the field's caret and selection,
// named by the field's accessible name and described by its placeholder.
class RecorderAccessible final : public Base::PlainTextAccessible {
public:
    // Gives `field` this interface; installs its factory once for the process.
    static void install(QLineEdit& field);

    explicit RecorderAccessible(QLineEdit& field);

    using PlainTextAccessible::text;
    QString text(QAccessible::Text type) const override;
    QAccessible::State state() const override;

    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    int selectionCount() const override;
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;

protected:
    QString plainText() const override;

private:
    QLineEdit& m_field;
};

} // namespace KeyboardShortcuts
