#include "Core/ReadTypes.h"

namespace Core {

Base::Json::Value VoiceID::toJson() const {
    return Base::Json::Value{{"rawValue", rawValue}};
}

Base::Json::Read<VoiceID> VoiceID::fromJson(const Base::Json::Value& json) {
    auto raw = Base::Json::require<QString>(json, "rawValue");
    if (!raw)
        return Base::failure(raw.error());
    return VoiceID{*raw};
}

QString rawValue(ProviderID provider) {
    switch (provider) {
    case ProviderID::elevenLabs:
        return QStringLiteral("elevenLabs");
    }
    return {};
}

std::optional<ProviderID> providerIDFromRawValue(const QString& raw) {
    if (raw == QLatin1String("elevenLabs"))
        return ProviderID::elevenLabs;
    return std::nullopt;
}

Base::Json::Value SynthesisSettings::toJson() const {
    return Base::Json::Value{{"modelID", modelID}, {"outputFormat", outputFormat}};
}

Base::Json::Read<SynthesisSettings> SynthesisSettings::fromJson(const Base::Json::Value& json) {
    auto model = Base::Json::require<QString>(json, "modelID");
    auto format = Base::Json::require<QString>(json, "outputFormat");
    if (auto error = Base::Json::firstError(model, format))
        return Base::failure(*error);
    return SynthesisSettings{*model, *format};
}

bool exactlyEqual(const QRectF& a, const QRectF& b) {
    return a.x() == b.x() && a.y() == b.y() && a.width() == b.width() && a.height() == b.height();
}

bool operator==(const SelectionCapture& a, const SelectionCapture& b) {
    if (a.text != b.text || a.sourceApp != b.sourceApp || a.path != b.path)
        return false;
    if (a.selectionBounds.has_value() != b.selectionBounds.has_value())
        return false;
    return !a.selectionBounds || exactlyEqual(*a.selectionBounds, *b.selectionBounds);
}

} // namespace Core
