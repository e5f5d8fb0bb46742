#include "Parlino/Style/ChoiceAccessible.h"

#include <QAbstractButton>

namespace Parlino {

namespace {

constexpr const char* roleProperty = "parlinoChoiceRole";
constexpr const char* chosenProperty = "parlinoChosen";

QAccessibleInterface* choiceFactory(const QString&, QObject* object) {
    auto* button = qobject_cast<QAbstractButton*>(object);
    const QVariant role = object ? object->property(roleProperty) : QVariant();
    if (!button || !role.isValid())
        return nullptr;
    return new ChoiceAccessible(*button, QAccessible::Role(role.toInt()));
}

} // namespace

void ChoiceAccessible::mark(QAbstractButton& button, QAccessible::Role role) {
    static const bool installed = [] {
        QAccessible::installFactory(choiceFactory);
        return true;
    }();
    Q_UNUSED(installed);
    button.setProperty(roleProperty, int(role));
    // The button's own constructor may have had the toolkit's interface made for it already.
    QAccessibleInterface* made = QAccessible::queryAccessibleInterface(&button);
    if (made && !dynamic_cast<ChoiceAccessible*>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void ChoiceAccessible::setChosen(QAbstractButton& button, bool chosen) {
    if (button.property(chosenProperty).toBool() == chosen)
        return;
    button.setProperty(chosenProperty, chosen);
    QAccessible::State changed;
    changed.checked = true;
    changed.selected = true;
    QAccessibleStateChangeEvent event(&button, changed);
    QAccessible::updateAccessibility(&event);
}

ChoiceAccessible::ChoiceAccessible(QAbstractButton& button, QAccessible::Role role)
    : QAccessibleWidget(&button, role), m_button(button) {}

QAccessible::State ChoiceAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    const bool chosen = m_button.property(chosenProperty).toBool();
    if (role() == QAccessible::PageTab) {
        state.selectable = true;
        state.selected = chosen;
    } else {
        state.checkable = true;
        state.checked = chosen;
    }
    return state;
}

QStringList ChoiceAccessible::actionNames() const {
    return QStringList(pressAction()) << QAccessibleWidget::actionNames();
}

void ChoiceAccessible::doAction(const QString& actionName) {
    if (actionName == pressAction())
        m_button.click();
    else
        QAccessibleWidget::doAction(actionName);
}

} // namespace Parlino
