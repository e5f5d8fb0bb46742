#include "Parlino/Style/FocusRest.h"

#include "Parlino/Style/FocusRing.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPainter>

namespace Parlino {

namespace {

// The rest as assistive tools see it: in its role, and able to take the focus, which it does
// although Tab passes it by.
class FocusRestAccessible final : public QAccessibleWidget {
public:
    explicit FocusRestAccessible(FocusRest& rest) : QAccessibleWidget(&rest, rest.role()) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.focusable = true;
        return state;
    }
};

QAccessibleInterface* restFactory(const QString&, QObject* object) {
    auto* rest = dynamic_cast<FocusRest*>(object);
    return rest ? new FocusRestAccessible(*rest) : nullptr;
}

// Whether `control` still takes the focus where it stands in its window.
bool standsReady(const QWidget& control) {
    return control.isEnabled() && control.isVisibleTo(control.window());
}

} // namespace

FocusRest::FocusRest(QAccessible::Role role, const QString& name, QWidget* parent)
    : QWidget(parent), m_role(role) {
    static const bool installed = [] {
        QAccessible::installFactory(restFactory);
        return true;
    }();
    Q_UNUSED(installed);
    // The widget's own constructor may have had the toolkit's interface made for it already.
    QAccessibleInterface* made = QAccessible::queryAccessibleInterface(this);
    if (made && !dynamic_cast<FocusRestAccessible*>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    setObjectName(QStringLiteral("FocusRest"));
    setAccessibleName(name);
}

void FocusRest::setRingRadii(const CornerRadii& radii) {
    m_ringRadii = radii;
    update();
}

bool FocusRest::takeFocusFrom(const QWidget& leaving) {
    const QWidget* focus = leaving.window()->focusWidget();
    if (!focus || (focus != &leaving && !leaving.isAncestorOf(focus)))
        return false;
    for (QWidget* around = leaving.parentWidget(); around; around = around->parentWidget())
        if (auto* rest = dynamic_cast<FocusRest*>(around); rest && rest->takeFocus())
            return true;
    return false;
}

// The toolkit moves the focus on from a control that hides or disables itself by asking the
// control, and through it each widget around it, for the next one: the nearest rest that shows
// keeps the focus instead. Tab from a control that stands ready passes on as ever.
bool FocusRest::focusNextPrevChild(bool next) {
    const QWidget* focus = window()->focusWidget();
    if (focus && focus != this && isAncestorOf(focus) && !standsReady(*focus) && takeFocus())
        return true;
    return QWidget::focusNextPrevChild(next);
}

bool FocusRest::takeFocus() {
    if (!standsReady(*this))
        return false;
    setFocus(Qt::OtherFocusReason);
    return true;
}

void FocusRest::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Select:
        event->accept(); // the press that follows an action finds nothing to do here
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void FocusRest::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void FocusRest::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void FocusRest::paintEvent(QPaintEvent*) {
    if (!FocusRing::isShown(*this))
        return;
    QPainter painter(this);
    FocusRing::paint(painter, QRectF(contentsRect()), m_ringRadii);
}

} // namespace Parlino
