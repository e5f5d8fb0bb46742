#include "KeyboardShortcuts/Name.h"

#include "KeyboardShortcuts/Storage.h"

#include <QVariant>

namespace KeyboardShortcuts {

Name::Name(QString rawValue, std::optional<Shortcut> initialShortcut)
    : m_rawValue(std::move(rawValue)), m_initialShortcut(std::move(initialShortcut)) {
    if (m_initialShortcut)
        storeDefaultIfAbsent(*m_initialShortcut, m_rawValue);
}

Name Name::fromRawValue(QString rawValue) {
    return Name(std::move(rawValue), RawValueOnly{});
}

std::optional<Name> Name::fromNotification(const Base::Notification& notification) {
    const QVariant value = notification.userInfo.value(QStringLiteral("name"));
    if (value.metaType() != QMetaType::fromType<Name>())
        return std::nullopt;
    return *static_cast<const Name*>(value.constData());
}

std::optional<Shortcut> Name::shortcut() const {
    return getShortcut(*this);
}

void Name::setShortcut(const std::optional<Shortcut>& shortcut) const {
    KeyboardShortcuts::setShortcut(shortcut, *this);
}

} // namespace KeyboardShortcuts
