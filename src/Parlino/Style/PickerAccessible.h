#pragma once

#include <QAccessibleWidget>

class QComboBox;

namespace Parlino {

// What assistive tools get of a menu picker: a combo box whose open list is its child, that
// opens and closes by its actions, and whose chosen title is also its text, so that a screen
// reader that reads a combo box's value from its text (and cannot ask the list which row is
// chosen) says it: "Tap key combo box Right Super".
class PickerAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    // Gives `picker` this interface; installs its factory once for the process.
    static void install(QComboBox& picker);

    explicit PickerAccessible(QComboBox& picker);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text type) const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    // The chosen title as a text of its own, which has no caret, selection or places.
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    int selectionCount() const override { return 0; }
    void selection(int, int* startOffset, int* endOffset) const override;
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}

private:
    QAccessibleInterface* list() const;

    QComboBox& m_picker;
};

} // namespace Parlino
