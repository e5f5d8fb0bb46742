#include "Parlino/Style/ParlinoStyle.h"

#include "Parlino/Style/FocusRing.h"

#include <QStyleFactory>
#include <QStyleOption>

#include <memory>

namespace Parlino {

namespace {

constexpr qreal controlRadius = 6;
// How far the ring of a check box stands off its box and title.
constexpr int checkBoxRingMargin = 3;

// The option without the focus, so the base style draws none of its own focus marks.
template <class Option> std::unique_ptr<Option> unfocused(const Option& option) {
    auto copy = std::make_unique<Option>(option);
    copy->state &= ~QStyle::State_HasFocus;
    return copy;
}

} // namespace

ParlinoStyle::ParlinoStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void ParlinoStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
    switch (element) {
    case PE_FrameFocusRect:
        return; // the ring replaces it
    case PE_PanelLineEdit:
        if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option)) {
            QProxyStyle::drawPrimitive(element, unfocused(*frame).get(), painter, widget);
            if (frame->lineWidth > 0 && FocusRing::isShown(option->state))
                FocusRing::paint(*painter, option->rect, controlRadius);
            return;
        }
        break;
    default:
        break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void ParlinoStyle::drawControl(ControlElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (element != CE_CheckBox || !button) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    QProxyStyle::drawControl(element, unfocused(*button).get(), painter, widget);
    if (!FocusRing::isShown(option->state))
        return;
    const QRect box = subElementRect(SE_CheckBoxIndicator, option, widget);
    const QRect title =
        button->text.isEmpty() ? box : subElementRect(SE_CheckBoxFocusRect, option, widget);
    const int m = checkBoxRingMargin;
    const QRect ring = box.united(title).adjusted(-m, -m, m, m).intersected(option->rect);
    FocusRing::paint(*painter, ring, controlRadius);
}

void ParlinoStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                      QPainter* painter, const QWidget* widget) const {
    if (control == CC_ComboBox || control == CC_ToolButton) {
        std::unique_ptr<QStyleOptionComplex> plain;
        if (const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option))
            plain = unfocused(*combo);
        else if (const auto* tool = qstyleoption_cast<const QStyleOptionToolButton*>(option))
            plain = unfocused(*tool);
        QProxyStyle::drawComplexControl(control, plain ? plain.get() : option, painter, widget);
        if (FocusRing::isShown(option->state))
            FocusRing::paint(*painter, option->rect, controlRadius);
        return;
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

int ParlinoStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                            QStyleHintReturn* returnData) const {
    if (hint == SH_ComboBox_Popup)
        return 0; // the list opens beside the control, never over it and its neighbours
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

} // namespace Parlino
