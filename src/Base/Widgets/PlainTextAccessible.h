#pragma once

#include <QAccessibleWidget>

namespace Base {

// What assistive tools get of a widget that shows one plain text (a field's value, a picker's
// title): a text interface over it whose attributes are one run from the first character to the
// last. The toolkit's own interfaces give every character an empty run, and a screen reader that
// joins the runs then drops the last character. No caret, selection or places on screen unless a
// subclass has them.
class PlainTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    void* interface_cast(QAccessible::InterfaceType type) override;

    using QAccessibleWidget::text;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    int selectionCount() const override { return 0; }
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}

protected:
    PlainTextAccessible(QWidget* widget, QAccessible::Role role);

    // The whole text.
    virtual QString plainText() const = 0;

    // Gives `widget` the interface that `factory` makes for widgets marked with `markProperty`:
    // installs the factory once for the process, marks the widget and drops the toolkit's
    // interface if its constructor had one made already.
    static void install(QWidget& widget, const char* markProperty,
                        QAccessible::InterfaceFactory factory);
};

} // namespace Base
