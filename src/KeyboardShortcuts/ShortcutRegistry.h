#pragma once

#include "KeyboardShortcuts/EventType.h"
#include "KeyboardShortcuts/HotKey.h"
#include "KeyboardShortcuts/HotKeyCenter.h"
#include "KeyboardShortcuts/Name.h"
#include "KeyboardShortcuts/Storage.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>

#include <functional>
#include <map>
#include <memory>
#include <unordered_map>

namespace KeyboardShortcuts {

// The actions attached to named shortcuts, and the hot keys that keep them firing.
//
// While a name that is not disabled has an action (or an event stream) and a stored shortcut,
// one hot key is registered for that combination; names that share a combination share the
// hot key. A press or release of the hot key runs the actions of every name whose stored
// shortcut is that combination. Stored shortcuts are read afresh on every event.
//
// The application makes one at start-up; it keeps the storage's writers in step with the hot
// keys while it lives. Main thread.
class ShortcutRegistry final : public QObject, public HotKeySync {
    Q_OBJECT

public:
    using Action = std::function<void()>;

    explicit ShortcutRegistry(HotKeySystem& system);
    ~ShortcutRegistry() override;

    HotKeyCenter& center() { return m_center; }

    void onKeyDown(const Name& name, Action action);
    void onKeyUp(const Name& name, Action action);
    // Removes the name's actions; its hot key goes unless a stream or another name needs it.
    void removeHandler(const Name& name);
    // Removes every name's actions; event streams keep theirs.
    void removeAllHandlers();

    // A disabled name keeps its actions but runs none of them.
    void disable(const QList<Name>& names);
    void enable(const QList<Name>& names);

    // True when the name's actions fire: the module is on, the name has live handlers and a
    // stored shortcut, and the desktop accepted its hot key and holds it for the application.
    bool isActive(const Name& name) const;
    // True when the name would fire but the desktop refused its stored combination, or another
    // application holds it now.
    bool isRefused(const Name& name) const;

    // The module-wide switch; off takes every hot key off the desktop.
    bool isEnabled() const { return m_isEnabled; }
    void setEnabled(bool isEnabled);
    // Set while a recorder records: no action runs and no stream hears anything.
    bool isPaused() const { return m_isPaused; }
    void setPaused(bool isPaused) { m_isPaused = isPaused; }

    // The name is not disabled and has an action or an event stream.
    bool hasLiveHandlers(const Name& name) const;
    // A hot key is registered for the combination, held or taken.
    bool hasHotKey(const Shortcut& shortcut) const { return m_hotKeys.contains(shortcut); }
    // A live name other than `excluding` has the combination stored, or a stream for the
    // combination itself exists.
    bool isShortcutInUse(const Shortcut& shortcut, const std::optional<Name>& excluding) const;

    // HotKeySync
    void registerIfNeeded(const Name& name) override;
    void unregisterIfUnused(const Shortcut& shortcut,
                            const std::optional<Name>& excluding) override;

    // Registers a hot key for the combination unless one exists. A refusal, or the combination
    // taken by another application, is logged once until the hot key is held again; a later
    // registration tries a refused one again, and a taken one waits for the desktop.
    void registerShortcut(const Shortcut& shortcut);
    void unregisterShortcut(const Shortcut& shortcut);

    // Runs what listens to a press or release of the combination.
    void handleEvent(EventType type, const Shortcut& shortcut);

    // The sinks of an event stream, for a name or for a fixed combination. Adding them
    // registers the hot key; removing them, which happens on a later turn of the event loop,
    // releases it unless something else needs it.
    struct StreamSinks {
        Action keyDown;
        Action keyUp;
    };
    quint64 addStream(const Name& name, StreamSinks sinks);
    quint64 addStream(const Shortcut& shortcut, StreamSinks sinks);
    void removeStreamLater(const Name& name, quint64 streamId);
    void removeStreamLater(const Shortcut& shortcut, quint64 streamId);

signals:
    // A combination was refused or taken, or a refused or taken one is held after all.
    void refusalsChanged();

private:
    using Actions = QList<Action>;
    using StreamActions = std::map<quint64, Action>;
    struct ShortcutHash {
        size_t operator()(const Shortcut& shortcut) const { return qHash(shortcut); }
    };

    QSet<Name> namesWithHandlers() const;
    bool hasShortcutStreams(const Shortcut& shortcut) const;
    void reportRefusal(const Shortcut& shortcut);
    void reportHeld(const Shortcut& shortcut);
    QStringList namesUsing(const Shortcut& shortcut) const;
    bool matches(const Name& name, const Shortcut& shortcut) const;
    template <class Key>
    static void removeStream(QHash<Key, StreamActions>& table, const Key& key, quint64 streamId);

    HotKeyCenter m_center;
    QHash<Name, Actions> m_keyDownHandlers;
    QHash<Name, Actions> m_keyUpHandlers;
    QHash<Name, StreamActions> m_streamKeyDownHandlers;
    QHash<Name, StreamActions> m_streamKeyUpHandlers;
    QHash<Shortcut, StreamActions> m_shortcutStreamKeyDownHandlers;
    QHash<Shortcut, StreamActions> m_shortcutStreamKeyUpHandlers;
    // Declared after the center: the hot keys withdraw themselves from it when destroyed.
    std::unordered_map<Shortcut, std::unique_ptr<HotKey>, ShortcutHash> m_hotKeys;
    QSet<Name> m_disabledNames;
    QSet<Shortcut> m_reportedRefusals;
    bool m_isEnabled = true;
    bool m_isPaused = false;
    quint64 m_lastStreamId = 0;
};

} // namespace KeyboardShortcuts
