#include "Base/Widgets/PlainTextAccessible.h"

#include <QList>
#include <QWidget>

#include <algorithm>

namespace Base {

PlainTextAccessible::PlainTextAccessible(QWidget* widget, QAccessible::Role role)
    : QAccessibleWidget(widget, role) {}

void PlainTextAccessible::install(QWidget& widget, const char* markProperty,
                                  QAccessible::InterfaceFactory factory) {
    static QList<QAccessible::InterfaceFactory> installed;
    if (!installed.contains(factory)) {
        QAccessible::installFactory(factory);
        installed.append(factory);
    }
    widget.setProperty(markProperty, true);
    QAccessibleInterface* made = QAccessible::queryAccessibleInterface(&widget);
    if (made && !dynamic_cast<PlainTextAccessible*>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void* PlainTextAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString PlainTextAccessible::text(int startOffset, int endOffset) const {
    const QString text = plainText();
    const qsizetype start = std::clamp<qsizetype>(startOffset, 0, text.size());
    const qsizetype end =
        endOffset < 0 ? text.size() : std::clamp<qsizetype>(endOffset, 0, text.size());
    return text.mid(start, std::max<qsizetype>(end - start, 0));
}

int PlainTextAccessible::characterCount() const {
    return int(plainText().size());
}

QString PlainTextAccessible::attributes(int, int* startOffset, int* endOffset) const {
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

void PlainTextAccessible::selection(int, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
}

} // namespace Base
