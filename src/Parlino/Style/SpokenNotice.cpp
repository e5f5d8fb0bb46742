#include "Parlino/Style/SpokenNotice.h"

#include <QAccessibleWidget>

namespace Parlino {

namespace {

QAccessibleInterface* noticeFactory(const QString&, QObject* object) {
    auto* notice = dynamic_cast<SpokenNotice*>(object);
    return notice ? new QAccessibleWidget(notice, QAccessible::Notification) : nullptr;
}

} // namespace

SpokenNotice::SpokenNotice(QWidget* parent) : QWidget(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(noticeFactory);
        return true;
    }();
    Q_UNUSED(installed);
    // The widget's own constructor may have had the toolkit's interface made for it already.
    QAccessibleInterface* made = QAccessible::queryAccessibleInterface(this);
    if (made && made->role() != QAccessible::Notification)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    setObjectName(QStringLiteral("SpokenNotice"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(0, 0);
    hide();
}

void SpokenNotice::say(const QString& words) {
    // Shown again, it tells assistive tools that it showed, which is when they speak it.
    hide();
    setAccessibleName(words);
    show();
}

} // namespace Parlino
