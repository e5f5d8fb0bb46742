#include "KeyboardShortcuts/RecorderAccessible.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

namespace KeyboardShortcuts {

namespace {

constexpr const char* markProperty = "keyboardShortcutsRecorder";

QAccessibleInterface* recorderFactory(const QString&, QObject* object) {
    auto* field = qobject_cast<QLineEdit*>(object);
    if (!field || !field->property(markProperty).toBool())
        return nullptr;
    return new RecorderAccessible(*field);
}

} // namespace

void RecorderAccessible::install(QLineEdit& field) {
    PlainTextAccessible::install(field, markProperty, recorderFactory);
}

RecorderAccessible::RecorderAccessible(QLineEdit& field)
    : PlainTextAccessible(&field, QAccessible::EditableText), m_field(field) {}

QString RecorderAccessible::plainText() const {
    return m_field.text();
}

QString RecorderAccessible::text(QAccessible::Text type) const {
    if (type == QAccessible::Value)
        return m_field.text();
    const QString text = QAccessibleWidget::text(type);
    if (type == QAccessible::Description && text.isEmpty())
        return m_field.placeholderText();
    return text;
}

QAccessible::State RecorderAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = true;
    state.selectableText = true;
    return state;
}

int RecorderAccessible::cursorPosition() const {
    return m_field.cursorPosition();
}

void RecorderAccessible::setCursorPosition(int position) {
    m_field.setCursorPosition(position);
}

int RecorderAccessible::selectionCount() const {
    return m_field.hasSelectedText() ? 1 : 0;
}

void RecorderAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || !m_field.hasSelectedText())
        return;
    *startOffset = m_field.selectionStart();
    *endOffset = m_field.selectionEnd();
}

void RecorderAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void RecorderAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0)
        m_field.deselect();
}

void RecorderAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0)
        m_field.setSelection(startOffset, endOffset - startOffset);
}

// The text is drawn centred in the field's contents.
QRect RecorderAccessible::characterRect(int offset) const {
    const QString text = m_field.text();
    if (offset < 0 || offset >= text.size())
        return {};
    QStyleOptionFrame option;
    option.initFrom(&m_field);
    const QRect contents =
        m_field.style()->subElementRect(QStyle::SE_LineEditContents, &option, &m_field);
    const QFontMetrics metrics = m_field.fontMetrics();
    const int left = contents.center().x() - metrics.horizontalAdvance(text) / 2 +
                     metrics.horizontalAdvance(text.left(offset));
    const QRect character(left, contents.top(), metrics.horizontalAdvance(text.at(offset)),
                          contents.height());
    return QRect(m_field.mapToGlobal(character.topLeft()), character.size());
}

int RecorderAccessible::offsetAtPoint(const QPoint& point) const {
    return m_field.cursorPositionAt(m_field.mapFromGlobal(point));
}

} // namespace KeyboardShortcuts
