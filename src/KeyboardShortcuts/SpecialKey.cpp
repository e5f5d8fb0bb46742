#include "KeyboardShortcuts/SpecialKey.h"

#include "KeyboardShortcuts/Key.h"
#include "KeyboardShortcuts/LocalizedStrings.h"

#include <QHash>

#include <array>

namespace KeyboardShortcuts {

namespace {

// Key code, the name a description shows (the key Help sits where PC keyboards have Insert,
// Clear where they have Num Lock), menu character.
constexpr std::array<SpecialKey, 53> specialKeys{{
    {Key::returnKey.rawValue, u"Return", u"\u21A9"},
    {Key::deleteKey.rawValue, u"Backspace", u"\u232B"},
    {Key::deleteForward.rawValue, u"Delete", u"\u2326"},
    {Key::end.rawValue, u"End", u"\u2198"},
    {Key::escape.rawValue, u"Esc", u"\u238B"},
    {Key::help.rawValue, u"Insert", u"?\u20DD"},
    {Key::home.rawValue, u"Home", u"\u2196"},
    {Key::space.rawValue, nullptr, u" "},
    {Key::tab.rawValue, u"Tab", u"\u21E5"},
    {Key::pageUp.rawValue, u"Page Up", u"\u21DE"},
    {Key::pageDown.rawValue, u"Page Down", u"\u21DF"},
    {Key::upArrow.rawValue, u"Up", u"\u2191"},
    {Key::rightArrow.rawValue, u"Right", u"\u2192"},
    {Key::downArrow.rawValue, u"Down", u"\u2193"},
    {Key::leftArrow.rawValue, u"Left", u"\u2190"},
    {Key::f1.rawValue, u"F1", u"\uF704"},
    {Key::f2.rawValue, u"F2", u"\uF705"},
    {Key::f3.rawValue, u"F3", u"\uF706"},
    {Key::f4.rawValue, u"F4", u"\uF707"},
    {Key::f5.rawValue, u"F5", u"\uF708"},
    {Key::f6.rawValue, u"F6", u"\uF709"},
    {Key::f7.rawValue, u"F7", u"\uF70A"},
    {Key::f8.rawValue, u"F8", u"\uF70B"},
    {Key::f9.rawValue, u"F9", u"\uF70C"},
    {Key::f10.rawValue, u"F10", u"\uF70D"},
    {Key::f11.rawValue, u"F11", u"\uF70E"},
    {Key::f12.rawValue, u"F12", u"\uF70F"},
    {Key::f13.rawValue, u"F13", u"\uF710"},
    {Key::f14.rawValue, u"F14", u"\uF711"},
    {Key::f15.rawValue, u"F15", u"\uF712"},
    {Key::f16.rawValue, u"F16", u"\uF713"},
    {Key::f17.rawValue, u"F17", u"\uF714"},
    {Key::f18.rawValue, u"F18", u"\uF715"},
    {Key::f19.rawValue, u"F19", u"\uF716"},
    {Key::f20.rawValue, u"F20", u"\uF717"},
    {Key::keypad0.rawValue, u"Keypad 0", nullptr},
    {Key::keypad1.rawValue, u"Keypad 1", nullptr},
    {Key::keypad2.rawValue, u"Keypad 2", nullptr},
    {Key::keypad3.rawValue, u"Keypad 3", nullptr},
    {Key::keypad4.rawValue, u"Keypad 4", nullptr},
    {Key::keypad5.rawValue, u"Keypad 5", nullptr},
    {Key::keypad6.rawValue, u"Keypad 6", nullptr},
    {Key::keypad7.rawValue, u"Keypad 7", nullptr},
    {Key::keypad8.rawValue, u"Keypad 8", nullptr},
    {Key::keypad9.rawValue, u"Keypad 9", nullptr},
    {Key::keypadClear.rawValue, u"Num Lock", nullptr},
    {Key::keypadDecimal.rawValue, u"Keypad .", nullptr},
    {Key::keypadDivide.rawValue, u"Keypad /", nullptr},
    {Key::keypadEnter.rawValue, u"Keypad Enter", nullptr},
    {Key::keypadEquals.rawValue, u"Keypad =", nullptr},
    {Key::keypadMinus.rawValue, u"Keypad -", nullptr},
    {Key::keypadMultiply.rawValue, u"Keypad *", nullptr},
    {Key::keypadPlus.rawValue, u"Keypad +", nullptr},
}};

} // namespace

const SpecialKey* SpecialKey::find(qint64 keyCode) {
    static const QHash<qint64, const SpecialKey*> byKeyCode = [] {
        QHash<qint64, const SpecialKey*> table;
        for (const auto& key : specialKeys)
            table.insert(key.keyCode(), &key);
        return table;
    }();
    return byKeyCode.value(keyCode);
}

QString SpecialKey::descriptionName() const {
    if (!m_name)
        return localized(QStringLiteral("space_key"));
    return QString::fromUtf16(m_name);
}

std::optional<QString> SpecialKey::menuCharacter() const {
    if (!m_menuCharacter)
        return std::nullopt;
    return QString::fromUtf16(m_menuCharacter);
}

} // namespace KeyboardShortcuts
