#include "KeyboardShortcuts/SpecialKey.h"

#include "KeyboardShortcuts/Key.h"
#include "KeyboardShortcuts/LocalizedStrings.h"

#include <QHash>

#include <array>

namespace KeyboardShortcuts {

namespace {

// Key code, description glyph, menu character.
constexpr std::array<SpecialKey, 53> specialKeys{{
    {Key::returnKey.rawValue, u"\u21A9", u"\u21A9"},
    {Key::deleteKey.rawValue, u"\u232B", u"\u232B"},
    {Key::deleteForward.rawValue, u"\u2326", u"\u2326"},
    {Key::end.rawValue, u"\u2198", u"\u2198"},
    {Key::escape.rawValue, u"\u238B", u"\u238B"},
    {Key::help.rawValue, u"?\u20DD", u"?\u20DD"},
    {Key::home.rawValue, u"\u2196", u"\u2196"},
    {Key::space.rawValue, nullptr, u" "},
    {Key::tab.rawValue, u"\u21E5", u"\u21E5"},
    {Key::pageUp.rawValue, u"\u21DE", u"\u21DE"},
    {Key::pageDown.rawValue, u"\u21DF", u"\u21DF"},
    {Key::upArrow.rawValue, u"\u2191", u"\u2191"},
    {Key::rightArrow.rawValue, u"\u2192", u"\u2192"},
    {Key::downArrow.rawValue, u"\u2193", u"\u2193"},
    {Key::leftArrow.rawValue, u"\u2190", u"\u2190"},
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
    {Key::keypad0.rawValue, u"0\u20E3", nullptr},
    {Key::keypad1.rawValue, u"1\u20E3", nullptr},
    {Key::keypad2.rawValue, u"2\u20E3", nullptr},
    {Key::keypad3.rawValue, u"3\u20E3", nullptr},
    {Key::keypad4.rawValue, u"4\u20E3", nullptr},
    {Key::keypad5.rawValue, u"5\u20E3", nullptr},
    {Key::keypad6.rawValue, u"6\u20E3", nullptr},
    {Key::keypad7.rawValue, u"7\u20E3", nullptr},
    {Key::keypad8.rawValue, u"8\u20E3", nullptr},
    {Key::keypad9.rawValue, u"9\u20E3", nullptr},
    {Key::keypadClear.rawValue, u"\u2612\u20E3", nullptr},
    {Key::keypadDecimal.rawValue, u".\u20E3", nullptr},
    {Key::keypadDivide.rawValue, u"/\u20E3", nullptr},
    {Key::keypadEnter.rawValue, u"\u21A9\u20E3", nullptr},
    {Key::keypadEquals.rawValue, u"=\u20E3", nullptr},
    {Key::keypadMinus.rawValue, u"-\u20E3", nullptr},
    {Key::keypadMultiply.rawValue, u"*\u20E3", nullptr},
    {Key::keypadPlus.rawValue, u"+\u20E3", nullptr},
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

QString SpecialKey::descriptionGlyph() const {
    if (!m_glyph)
        return localized(QStringLiteral("space_key"));
    return QString::fromUtf16(m_glyph);
}

std::optional<QString> SpecialKey::menuCharacter() const {
    if (!m_menuCharacter)
        return std::nullopt;
    return QString::fromUtf16(m_menuCharacter);
}

} // namespace KeyboardShortcuts
