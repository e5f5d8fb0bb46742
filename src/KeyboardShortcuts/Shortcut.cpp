#include "KeyboardShortcuts/Shortcut.h"

#include "Base/Json.h"
#include "KeyboardShortcuts/KeyboardLayout.h"
#include "KeyboardShortcuts/SpecialKey.h"

#include <algorithm>

namespace KeyboardShortcuts {

namespace {

// The text with its first character in upper case.
QString capitalized(const QString& text) {
    if (text.isEmpty())
        return text;
    const qsizetype first = text.front().isHighSurrogate() && text.size() > 1 ? 2 : 1;
    return text.left(first).toUpper() + text.mid(first);
}

} // namespace

Shortcut::Shortcut(Key key, ModifierFlags modifiers)
    : Shortcut(key.rawValue, KeyboardShortcuts::carbonModifiers(modifiers)) {}

Shortcut::Shortcut(qint64 carbonKeyCode, qint64 carbonModifiers)
    : m_carbonKeyCode(carbonKeyCode),
      m_carbonModifiers(normalizedCarbonModifiers(carbonModifiers)) {}

QString Shortcut::description() const {
    QString keyText;
    if (const auto* special = SpecialKey::find(m_carbonKeyCode))
        keyText = special->descriptionName();
    else
        keyText = layoutCharacter(m_carbonKeyCode).value_or(QString(QChar::ReplacementCharacter));
    return (modifierNames(modifiers()) << capitalized(keyText)).join(u'+');
}

std::optional<QString> Shortcut::keyToCharacter() const {
    if (const auto* special = SpecialKey::find(m_carbonKeyCode))
        return special->menuCharacter();
    return layoutCharacter(m_carbonKeyCode);
}

bool Shortcut::matchesKeyEquivalent(const QString& keyEquivalent,
                                    ModifierFlags itemModifiers) const {
    QString equivalent = keyEquivalent;
    if (modifiers().testFlag(ModifierFlag::shift) && equivalent.toLower() != equivalent) {
        equivalent = equivalent.toLower();
        itemModifiers |= ModifierFlag::shift;
    }
    const auto character = keyToCharacter();
    return character && equivalent == *character && itemModifiers == modifiers();
}

bool Shortcut::isTakenBySystem(const QList<SystemShortcut>& systemShortcuts) const {
    if (*this == Shortcut(Key::f12))
        return false;
    return std::any_of(systemShortcuts.cbegin(), systemShortcuts.cend(), [&](const auto& system) {
        return Shortcut(system.keyCode, system.modifiers) == *this;
    });
}

QString Shortcut::toJson() const {
    Base::Json::Value json;
    json["carbonKeyCode"] = m_carbonKeyCode;
    json["carbonModifiers"] = m_carbonModifiers;
    return QString::fromUtf8(Base::Json::serialize(json).value());
}

std::optional<Shortcut> Shortcut::fromJson(const QString& text) {
    const auto json = Base::Json::parse(text.toUtf8());
    if (!json)
        return std::nullopt;
    const auto keyCode = Base::Json::require<qint64>(*json, "carbonKeyCode");
    const auto modifiers = Base::Json::require<qint64>(*json, "carbonModifiers");
    if (!keyCode || !modifiers)
        return std::nullopt;
    return Shortcut(*keyCode, *modifiers);
}

} // namespace KeyboardShortcuts
