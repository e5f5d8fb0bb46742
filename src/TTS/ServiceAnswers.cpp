#include "TTS/ServiceAnswers.h"

#include "Base/Json.h"

namespace TTS::ServiceAnswers {

namespace {

namespace Json = Base::Json;

template <class T> Json::Read<QList<T>> arrayOf(const Json::Value& object, std::string_view key) {
    if (!object.is_object() || !object.contains(key))
        return Base::failure(Json::Error{QStringLiteral("expected an array")});
    return Json::arrayOf<T>(object.at(key), &Json::as<T>);
}

// Only an address whose scheme is spelled exactly "http" or "https" is a preview address.
std::optional<QUrl> previewURL(const std::optional<QString>& text) {
    if (!text || !(text->startsWith(u"https:") || text->startsWith(u"http:")))
        return std::nullopt;
    const QUrl url(*text, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

std::optional<Voice> decodeVoice(const Json::Value& json) {
    auto id = Json::require<QString>(json, "voice_id");
    auto name = Json::require<QString>(json, "name");
    auto category = Json::optional<QString>(json, "category");
    auto safety = Json::optional<QString>(json, "safety_control");
    auto preview = Json::optional<QString>(json, "preview_url");
    if (!id || !name || !category || !safety || !preview)
        return std::nullopt;
    return Voice{*id, *name, category->value_or(QString()), *safety, previewURL(*preview)};
}

} // namespace

std::optional<TimestampResponse> decodeTimestampResponse(const QByteArray& body) {
    const auto json = Json::parse(body);
    if (!json)
        return std::nullopt;
    const auto audio = json->find("audio_base64");
    if (audio == json->end() || !audio->is_string())
        return std::nullopt;
    const std::string& audioText = audio->get_ref<const std::string&>();
    TimestampResponse response{QByteArray(audioText.data(), qsizetype(audioText.size())),
                               std::nullopt};
    const auto alignment = json->find("alignment");
    if (alignment == json->end() || alignment->is_null())
        return response;
    auto characters = arrayOf<QString>(*alignment, "characters");
    auto starts = arrayOf<double>(*alignment, "character_start_times_seconds");
    auto ends = arrayOf<double>(*alignment, "character_end_times_seconds");
    if (!characters || !starts || !ends)
        return std::nullopt;
    response.alignment = Alignment{std::move(characters).value(), std::move(starts).value(),
                                   std::move(ends).value()};
    return response;
}

std::optional<ErrorDetail> decodeErrorDetail(const QByteArray& body) {
    const auto json = Json::parse(body);
    if (!json || !json->is_object())
        return std::nullopt;
    const auto detail = json->find("detail");
    if (detail == json->end() || !detail->is_object())
        return std::nullopt;
    auto status = Json::optional<QString>(*detail, "status");
    auto message = Json::optional<QString>(*detail, "message");
    if (!status || !message)
        return std::nullopt;
    return ErrorDetail{std::move(status).value(), std::move(message).value()};
}

std::optional<KeyQuota> decodeQuota(const QByteArray& body) {
    const auto json = Json::parse(body);
    if (!json || !json->is_object() || !json->contains("subscription"))
        return std::nullopt;
    const auto& subscription = json->at("subscription");
    const auto used = Json::require<qint64>(subscription, "character_count");
    const auto limit = Json::require<qint64>(subscription, "character_limit");
    if (!used || !limit)
        return std::nullopt;
    return KeyQuota{*used, *limit};
}

std::optional<QList<Voice>> decodeVoices(const QByteArray& body) {
    const auto json = Json::parse(body);
    if (!json || !json->is_object() || !json->contains("voices") || !json->at("voices").is_array())
        return std::nullopt;
    QList<Voice> voices;
    for (const auto& entry : json->at("voices")) {
        auto voice = decodeVoice(entry);
        if (!voice)
            return std::nullopt;
        voices.append(std::move(*voice));
    }
    return voices;
}

} // namespace TTS::ServiceAnswers
