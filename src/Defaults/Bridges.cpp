#include "Defaults/Bridges.h"

#include <QRegularExpression>

namespace Defaults {

std::optional<PropertyValue> URLBridge::serialize(const QUrl& url) {
    return TopLevelCodableBridge<QString>::serialize(url.toString(QUrl::FullyEncoded));
}

std::optional<QUrl> URLBridge::deserialize(const PropertyValue& object) {
    const auto text = TopLevelCodableBridge<QString>::deserialize(object);
    if (!text)
        return std::nullopt;
    QUrl url(*text, QUrl::StrictMode);
    return url.isValid() ? std::optional(url) : std::nullopt;
}

std::optional<PropertyValue> UUIDBridge::serialize(const QUuid& uuid) {
    return PropertyValue(uuid.toString(QUuid::WithoutBraces).toUpper());
}

std::optional<QUuid> UUIDBridge::deserialize(const PropertyValue& object) {
    const auto* text = object.as<QString>();
    // QUuid also accepts braces and reads anything else as the nil UUID: check the form first.
    static const QRegularExpression form(QStringLiteral(
        "^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
    if (!text || !form.match(*text).hasMatch())
        return std::nullopt;
    return QUuid::fromString(*text);
}

} // namespace Defaults
