#include "Parlino/Style/PickerAccessible.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace Parlino {

namespace {

constexpr const char* markProperty = "parlinoPicker";

QAccessibleInterface* pickerFactory(const QString&, QObject* object) {
    auto* picker = qobject_cast<QComboBox*>(object);
    if (!picker || !picker->property(markProperty).toBool())
        return nullptr;
    return new PickerAccessible(*picker);
}

} // namespace

void PickerAccessible::install(QComboBox& picker) {
    PlainTextAccessible::install(picker, markProperty, pickerFactory);
}

PickerAccessible::PickerAccessible(QComboBox& picker)
    : PlainTextAccessible(&picker, QAccessible::ComboBox), m_picker(picker) {}

QString PickerAccessible::plainText() const {
    return m_picker.currentText();
}

QString PickerAccessible::text(QAccessible::Text type) const {
    if (type == QAccessible::Value)
        return m_picker.currentText();
    const QString text = QAccessibleWidget::text(type);
    if (type == QAccessible::Name && text.isEmpty())
        return m_picker.currentText();
    return text;
}

QAccessible::State PickerAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.expandable = true;
    state.expanded = m_picker.view()->isVisible();
    return state;
}

QAccessibleInterface* PickerAccessible::list() const {
    return QAccessible::queryAccessibleInterface(m_picker.view());
}

int PickerAccessible::childCount() const {
    return list() ? 1 : 0;
}

QAccessibleInterface* PickerAccessible::child(int index) const {
    return index == 0 ? list() : nullptr;
}

int PickerAccessible::indexOfChild(const QAccessibleInterface* child) const {
    return child && child == list() ? 0 : -1;
}

QStringList PickerAccessible::actionNames() const {
    return {showMenuAction(), pressAction()};
}

void PickerAccessible::doAction(const QString& actionName) {
    if (actionName != showMenuAction() && actionName != pressAction())
        return;
    if (m_picker.view()->isVisible())
        m_picker.hidePopup();
    else
        m_picker.showPopup();
}

} // namespace Parlino
