#pragma once

#include "Parlino/Style/Theme.h"

#include <QAccessible>
#include <QWidget>

namespace Parlino {

// A place where the keyboard focus rests once the control that held it hides or disables itself
// after its action (a chevron that goes when it has scrolled, a stepper's button at its bound, a
// list's last row), rather than passing on to the next control, where a key pressed again would
// act. A control inside a rest that goes while it holds the focus hands the focus to the nearest
// rest around it that shows. Space and Return do nothing there; assistive tools hear its role and
// name as the focus arrives; the focus ring runs along its contents rectangle while the keyboard
// put the focus there. It is no stop of the Tab order: Tab goes on from it to the control after.
class FocusRest final : public QWidget {
public:
    static constexpr qreal ringRadius = 6;

    FocusRest(QAccessible::Role role, const QString& name, QWidget* parent = nullptr);

    QAccessible::Role role() const { return m_role; }
    // The ring's corners, `ringRadius` each unless the rest lies against a surface's rounded
    // corner.
    void setRingRadii(const CornerRadii& radii);

    // Gives the focus to the nearest rest around `leaving` that shows, when `leaving` or a control
    // inside it has its window's focus. False when neither has it or no rest around it shows.
    static bool takeFocusFrom(const QWidget& leaving);

protected:
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool takeFocus();

    QAccessible::Role m_role;
    CornerRadii m_ringRadii{ringRadius, ringRadius, ringRadius, ringRadius};
};

} // namespace Parlino
