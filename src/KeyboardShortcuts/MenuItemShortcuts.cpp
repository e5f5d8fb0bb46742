#include "KeyboardShortcuts/MenuItemShortcuts.h"

#include "Base/NotificationCenter.h"
#include "KeyboardShortcuts/KeySequence.h"
#include "KeyboardShortcuts/Storage.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

namespace KeyboardShortcuts {

namespace {

// What a bound action carries: the name, its own shortcuts from before the binding and the
// observation of the name's changes. A child of the action, so it goes with it.
class MenuItemBinding final : public QObject {
public:
    MenuItemBinding(QAction& action, Name name)
        : QObject(&action), m_action(action), m_fallback(action.shortcuts()),
          m_name(std::move(name)) {}

    const Name& name() const { return m_name; }

    void bind(Name name) {
        m_name = std::move(name);
        apply();
        m_observer = Base::NotificationCenter::defaultCenter().addObserver(
            shortcutByNameDidChange, [this](const Base::Notification& notification) {
                if (Name::fromNotification(notification) == m_name)
                    apply();
            });
    }

    void restoreFallback() { m_action.setShortcuts(m_fallback); }

private:
    void apply() {
        if (const auto shortcut = getShortcut(m_name))
            m_action.setShortcut(keySequence(*shortcut));
        else
            restoreFallback();
    }

    QAction& m_action;
    const QList<QKeySequence> m_fallback;
    Name m_name;
    Base::NotificationCenter::ObserverToken m_observer;
};

MenuItemBinding* bindingOf(const QAction& action) {
    return action.findChild<MenuItemBinding*>(QString(), Qt::FindDirectChildrenOnly);
}

QPointer<QWidget>& chosenMainMenu() {
    static QPointer<QWidget> menu;
    return menu;
}

} // namespace

void bindShortcut(QAction& action, const std::optional<Name>& name) {
    MenuItemBinding* binding = bindingOf(action);
    if (!name) {
        if (binding) {
            binding->restoreFallback();
            delete binding;
        }
        return;
    }
    if (!binding)
        binding = new MenuItemBinding(action, *name);
    binding->bind(*name);
}

void showShortcut(QAction& action, const std::optional<Shortcut>& shortcut) {
    delete bindingOf(action);
    action.setShortcut(shortcut ? keySequence(*shortcut) : QKeySequence());
}

std::optional<Name> boundName(const QAction& action) {
    const MenuItemBinding* binding = bindingOf(action);
    return binding ? std::optional(binding->name()) : std::nullopt;
}

void setMainMenu(QWidget* menu) {
    chosenMainMenu() = menu;
}

QWidget* mainMenu() {
    return chosenMainMenu();
}

QList<QAction*> actionsUsing(const Shortcut& shortcut, const QList<QAction*>& actions) {
    const QKeySequence sequence = keySequence(shortcut);
    QList<QAction*> found;
    if (sequence.isEmpty())
        return found;
    for (QAction* action : actions) {
        if (action->shortcuts().contains(sequence))
            found.append(action);
        if (const QMenu* submenu = action->menu())
            found.append(actionsUsing(shortcut, submenu->actions()));
    }
    return found;
}

} // namespace KeyboardShortcuts
