#include "KeyboardShortcuts/KeySequence.h"

#include "KeyboardShortcuts/SpecialKey.h"

#include <QHash>

namespace KeyboardShortcuts {

namespace {

// The special keys Qt has a key of its own for; keypad keys have none.
std::optional<Qt::Key> namedQtKey(Key key) {
    static const QHash<Key, Qt::Key> keys = [] {
        QHash<Key, Qt::Key> table{
            {Key::returnKey, Qt::Key_Return},
            {Key::deleteKey, Qt::Key_Backspace},
            {Key::deleteForward, Qt::Key_Delete},
            {Key::end, Qt::Key_End},
            {Key::escape, Qt::Key_Escape},
            {Key::help, Qt::Key_Help},
            {Key::home, Qt::Key_Home},
            {Key::space, Qt::Key_Space},
            {Key::tab, Qt::Key_Tab},
            {Key::pageUp, Qt::Key_PageUp},
            {Key::pageDown, Qt::Key_PageDown},
            {Key::upArrow, Qt::Key_Up},
            {Key::rightArrow, Qt::Key_Right},
            {Key::downArrow, Qt::Key_Down},
            {Key::leftArrow, Qt::Key_Left},
        };
        const Key functionKeys[] = {Key::f1,  Key::f2,  Key::f3,  Key::f4,  Key::f5,
                                    Key::f6,  Key::f7,  Key::f8,  Key::f9,  Key::f10,
                                    Key::f11, Key::f12, Key::f13, Key::f14, Key::f15,
                                    Key::f16, Key::f17, Key::f18, Key::f19, Key::f20};
        for (int i = 0; i < 20; ++i)
            table.insert(functionKeys[i], Qt::Key(Qt::Key_F1 + i));
        return table;
    }();
    const auto found = keys.constFind(key);
    return found != keys.constEnd() ? std::optional(*found) : std::nullopt;
}

// Qt names a character key by the character's upper-case form.
std::optional<Qt::Key> qtKey(const Shortcut& shortcut) {
    if (SpecialKey::find(shortcut.carbonKeyCode()))
        return namedQtKey(shortcut.key());
    const auto character = shortcut.keyToCharacter();
    if (!character)
        return std::nullopt;
    const QList<uint> scalars = character->toUcs4();
    return scalars.size() == 1 ? std::optional(Qt::Key(QChar::toUpper(scalars.front())))
                               : std::nullopt;
}

} // namespace

QKeySequence keySequence(const Shortcut& shortcut) {
    const ModifierFlags flags = shortcut.modifiers();
    const auto key = qtKey(shortcut);
    if (!key || flags.testFlag(ModifierFlag::function))
        return {};
    Qt::KeyboardModifiers modifiers;
    modifiers.setFlag(Qt::ControlModifier, flags.testFlag(ModifierFlag::control));
    modifiers.setFlag(Qt::AltModifier, flags.testFlag(ModifierFlag::option));
    modifiers.setFlag(Qt::ShiftModifier, flags.testFlag(ModifierFlag::shift));
    modifiers.setFlag(Qt::MetaModifier, flags.testFlag(ModifierFlag::command));
    return QKeySequence(QKeyCombination(modifiers, *key));
}

} // namespace KeyboardShortcuts
