#include "KeyboardShortcuts/WidgetShortcuts.h"

#include "KeyboardShortcuts/EventStreams.h"
#include "KeyboardShortcuts/KeySequence.h"
#include "KeyboardShortcuts/Storage.h"
#include "KeyboardShortcuts/Utilities.h"

#include <QAbstractButton>
#include <QEvent>

namespace KeyboardShortcuts {

namespace {

// Listens to the shortcut's event stream from each showing of the widget to its hiding.
class ShortcutWhileShown final : public QObject {
public:
    ShortcutWhileShown(QWidget& widget, ShortcutRegistry& registry, Name name,
                       std::optional<EventType> only, std::function<void(EventType)> action)
        : QObject(&widget), m_registry(registry), m_name(std::move(name)), m_only(only),
          m_action(std::move(action)) {
        widget.installEventFilter(this);
        if (widget.isVisible())
            listen();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show)
            listen();
        else if (event->type() == QEvent::Hide)
            m_stream.cancel();
        return false;
    }

private:
    void listen() {
        m_stream = m_only ? events(m_registry, *m_only, m_name) : events(m_registry, m_name);
        m_stream.listen([this](EventType type) { m_action(type); }, [](auto) {});
    }

    ShortcutRegistry& m_registry;
    const Name m_name;
    const std::optional<EventType> m_only;
    const std::function<void(EventType)> m_action;
    EventStream m_stream;
};

// Keeps a button's shortcut the name's, and none while a recorder records.
class ButtonShortcut final : public QObject {
public:
    ButtonShortcut(QAbstractButton& button, Name name)
        : QObject(&button), m_button(button), m_name(std::move(name)) {
        auto& center = Base::NotificationCenter::defaultCenter();
        m_nameObserver = center.addObserver(shortcutByNameDidChange,
                                            [this](const Base::Notification& notification) {
                                                if (Name::fromNotification(notification) == m_name)
                                                    refresh();
                                            });
        m_recorderObserver = center.addObserver(
            recorderActiveStatusDidChange, [this](const Base::Notification& notification) {
                m_isRecorderActive = recorderIsActive(notification);
                refresh();
            });
        refresh();
    }

private:
    void refresh() {
        const auto shortcut = m_isRecorderActive ? std::nullopt : getShortcut(m_name);
        m_button.setShortcut(shortcut ? keySequence(*shortcut) : QKeySequence());
    }

    QAbstractButton& m_button;
    const Name m_name;
    bool m_isRecorderActive = false;
    Base::NotificationCenter::ObserverToken m_nameObserver;
    Base::NotificationCenter::ObserverToken m_recorderObserver;
};

} // namespace

void onKeyboardShortcut(QWidget& widget, ShortcutRegistry& registry, const Name& name,
                        std::function<void(EventType)> action) {
    new ShortcutWhileShown(widget, registry, name, std::nullopt, std::move(action));
}

void onKeyboardShortcut(QWidget& widget, ShortcutRegistry& registry, const Name& name,
                        EventType type, std::function<void()> action) {
    new ShortcutWhileShown(widget, registry, name, type,
                           [action = std::move(action)](EventType) { action(); });
}

void globalKeyboardShortcut(QAbstractButton& button, const Name& name) {
    new ButtonShortcut(button, name);
}

} // namespace KeyboardShortcuts
