#pragma once

#include <QAccessible>
#include <QAccessibleWidget>

class QAbstractButton;

namespace Parlino {

// A button that stands for one choice among several (a settings pane in the sidebar, a voice)
// as assistive tools see it: in the role it is marked with, selected (a page tab) or checked
// (any other role) while it is the chosen one, and pressed by their press action as a click
// would. The button keeps its own look; it reports its choice through setChosen.
class ChoiceAccessible final : public QAccessibleWidget {
public:
    // Marks `button` as a choice in `role`; installs the interface once for the process.
    static void mark(QAbstractButton& button, QAccessible::Role role);
    // Tells assistive tools whether `button` is the chosen one now.
    static void setChosen(QAbstractButton& button, bool chosen);

    ChoiceAccessible(QAbstractButton& button, QAccessible::Role role);

    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    QAbstractButton& m_button;
};

} // namespace Parlino
