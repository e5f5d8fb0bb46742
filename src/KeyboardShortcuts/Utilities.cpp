#include "KeyboardShortcuts/Utilities.h"

#include <QSet>
#include <QVariant>

namespace KeyboardShortcuts {

bool recorderIsActive(const Base::Notification& notification) {
    const QVariant value = notification.userInfo.value(QStringLiteral("isActive"));
    return value.metaType() == QMetaType::fromType<bool>() && value.toBool();
}

std::optional<QString> characterFromCodePoint(quint64 codePoint) {
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return std::nullopt;
    const char32_t scalar = char32_t(codePoint);
    return QString::fromUcs4(&scalar, 1);
}

bool isFunctionKey(Key key) {
    static const QSet<Key> functionKeys{Key::f1,  Key::f2,  Key::f3,  Key::f4,  Key::f5,
                                        Key::f6,  Key::f7,  Key::f8,  Key::f9,  Key::f10,
                                        Key::f11, Key::f12, Key::f13, Key::f14, Key::f15,
                                        Key::f16, Key::f17, Key::f18, Key::f19, Key::f20};
    return functionKeys.contains(key);
}

bool isModifierKey(Key key) {
    static const QSet<Key> modifierKeys{
        Key::capsLock, Key::shift,        Key::function,    Key::control,      Key::option,
        Key::command,  Key::rightCommand, Key::rightOption, Key::rightControl, Key::rightShift};
    return modifierKeys.contains(key);
}

} // namespace KeyboardShortcuts
