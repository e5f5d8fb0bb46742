#include "Parlino/Style/PickerAccessible.h"

#include <QAbstractItemView>
#include <QComboBox>

#include <algorithm>

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
    static const bool installed = [] {
        QAccessible::installFactory(pickerFactory);
        return true;
    }();
    Q_UNUSED(installed);
    picker.setProperty(markProperty, true);
    // The picker's own constructor may have had the toolkit's interface made for it already.
    QAccessibleInterface* made = QAccessible::queryAccessibleInterface(&picker);
    if (made && !dynamic_cast<PickerAccessible*>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

PickerAccessible::PickerAccessible(QComboBox& picker)
    : QAccessibleWidget(&picker, QAccessible::ComboBox), m_picker(picker) {}

void* PickerAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
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

QString PickerAccessible::text(int startOffset, int endOffset) const {
    const QString title = m_picker.currentText();
    const qsizetype start = std::clamp<qsizetype>(startOffset, 0, title.size());
    const qsizetype end =
        endOffset < 0 ? title.size() : std::clamp<qsizetype>(endOffset, 0, title.size());
    return title.mid(start, std::max<qsizetype>(end - start, 0));
}

int PickerAccessible::characterCount() const {
    return int(m_picker.currentText().size());
}

QString PickerAccessible::attributes(int, int* startOffset, int* endOffset) const {
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

void PickerAccessible::selection(int, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
}

} // namespace Parlino
