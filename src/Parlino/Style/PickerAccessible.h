#pragma once

#include "Base/Widgets/PlainTextAccessible.h"

class QComboBox;

namespace Parlino {

// What assistive tools get of a menu picker: a combo box whose open list is its child, that
// opens and closes by its actions, and whose chosen title is also its text, so that a screen
// reader that reads a combo box's value from its text (and cannot ask the list which row is
// chosen) says it: "Tap key combo box Right Super".
class PickerAccessible final : public Base::PlainTextAccessible {
public:
    // Gives `picker` this interface; installs its factory once for the process.
    static void install(QComboBox& picker);

    explicit PickerAccessible(QComboBox& picker);

    using PlainTextAccessible::text;
    QString text(QAccessible::Text type) const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

protected:
    // The chosen title as a text of its own, which has no caret, selection or places.
    QString plainText() const override;

private:
    QAccessibleInterface* list() const;

    QComboBox& m_picker;
};

} // namespace Parlino
