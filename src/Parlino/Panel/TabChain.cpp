#include "Parlino/Panel/TabChain.h"

#include <QGuiApplication>
#include <QStyleHints>
#include <QWidget>

namespace Parlino::TabChain {

namespace {

QWidget* deepestProxy(QWidget* widget) {
    while (widget->focusProxy())
        widget = widget->focusProxy();
    return widget;
}

// The focus policy Tab looks for: every control's on desktops that tab through all of them.
Qt::FocusPolicy tabPolicy() {
    return QGuiApplication::styleHints()->tabFocusBehavior() == Qt::TabFocusAllControls
               ? Qt::TabFocus
               : Qt::StrongFocus;
}

// Whether Tab, moving in `direction` from `focus`, stops at `widget`. A compound control (one
// whose focus goes to a part of it) is entered once, from its outer side.
bool stopsAt(QWidget& widget, const QWidget& window, const QWidget* focus, TabDirection direction) {
    QWidget* proxy = deepestProxy(&widget);
    const bool takesTab = proxy->isEnabled() && (proxy->focusPolicy() & tabPolicy()) == tabPolicy();
    const bool inner =
        proxy != &widget && (direction == TabDirection::forward ? proxy->isAncestorOf(&widget)
                                                                : widget.isAncestorOf(proxy));
    return takesTab && !inner && proxy != focus && widget.window() == &window &&
           widget.isVisibleTo(&window) && widget.isEnabled();
}

QWidget* neighbour(const QWidget& widget, TabDirection direction) {
    return direction == TabDirection::forward ? widget.nextInFocusChain()
                                              : widget.previousInFocusChain();
}

} // namespace

QWidget* step(QWidget& window, TabDirection direction) {
    QWidget* focus = window.focusWidget();
    QWidget* from = focus ? focus : &window;
    // The chain is a ring through the window itself: meeting it is going round.
    for (QWidget* widget = neighbour(*from, direction); widget && widget != from;
         widget = neighbour(*widget, direction)) {
        if (widget == &window)
            return nullptr;
        if (stopsAt(*widget, window, focus, direction))
            return widget;
    }
    return nullptr;
}

QWidget* end(QWidget& window, TabDirection direction) {
    for (QWidget* widget = neighbour(window, direction); widget && widget != &window;
         widget = neighbour(*widget, direction)) {
        if (stopsAt(*widget, window, nullptr, direction))
            return widget;
    }
    return nullptr;
}

} // namespace Parlino::TabChain
