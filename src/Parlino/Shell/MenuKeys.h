#pragma once

#include <QKeySequence>
#include <QList>

#include <functional>

class QWidget;

namespace Parlino {

// The key equivalents the tray menu shows, working where a user of the desktop expects them: in
// the open menu (which closes first, as after a click on its item) and in the application's own
// windows while one is active. Nothing is grabbed on the desktop: in another application's
// window the keys stay that application's. Main thread only.
class MenuKeys {
public:
    struct Key {
        QKeySequence sequence;
        std::function<void()> command;
    };

    MenuKeys() = default;
    explicit MenuKeys(QList<Key> keys) : m_keys(std::move(keys)) {}

    // The keys work while `window` is the active window, or the open popup for a menu; they go
    // with it.
    void attach(QWidget& window) const;

private:
    QList<Key> m_keys;
};

} // namespace Parlino
