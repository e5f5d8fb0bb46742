#include "TTS/DiagnosticsProbe.h"

#include "Base/Environment.h"
#include "Base/Json.h"
#include "Base/Log.h"
#include "Core/StableHash.h"
#include "TTS/DiagJSON.h"
#include "TTS/ServiceTransfer.h"

#include <memory>

namespace TTS {

namespace {

const Base::Log& log() {
    static const Base::Log instance(QStringLiteral("diag"));
    return instance;
}

using BodyHandler = std::function<void(std::optional<QByteArray>)>;

QString describe(const Core::TTSError& error) {
    using Kind = Core::TTSError::Kind;
    switch (error.kind()) {
    case Kind::network:
        return error.message();
    case Kind::providerFault:
        return QStringLiteral("providerFault(status: %1, message: \"%2\")")
            .arg(error.status())
            .arg(error.message());
    default:
        return error.kindName();
    }
}

// Fetches a path and hands over its body whatever the status, or nothing after a failure.
void fetch(const Endpoint& endpoint, QNetworkAccessManager& session, const QString& path,
           BodyHandler done) {
    ServiceTransfer::send(session, Base::QtScheduler::shared(), endpoint,
                          {ServiceRequest::Method::get, endpoint.address(path), {}, {}},
                          [path, done = std::move(done)](TransferResult result) {
                              if (!result) {
                                  log().error("diag GET %{public}s failed: %{public}s", path,
                                              describe(result.error().error));
                                  return done(std::nullopt);
                              }
                              log().notice("diag GET %{public}s HTTP %{public}ld bytes=%{public}ld",
                                           path, qint64(result->status.value_or(-1)),
                                           qint64(result->body.size()));
                              done(result->body);
                          });
}

void logLines(const QString& label, const QStringList& lines) {
    for (const QString& line : lines)
        log().notice("diag %{public}s.%{public}s", label, line);
}

// The "voices" member of a parsed voice-list body, when it is an array of objects; it stays in
// the document.
const Base::Json::Value* voiceList(const Base::Json::Read<Base::Json::Value>& json) {
    if (!json || !json->is_object())
        return nullptr;
    const auto voices = json->find("voices");
    if (voices == json->end() || !voices->is_array() ||
        !std::all_of(voices->begin(), voices->end(), [](const auto& v) { return v.is_object(); }))
        return nullptr;
    return &*voices;
}

QString hashLabel(const Base::Json::Value& voice) {
    const auto id = Base::Json::require<QString>(voice, "voice_id");
    return id ? QString::number(Core::stableHash(*id)) : QStringLiteral("-");
}

void logVoices(const std::optional<QByteArray>& body) {
    const auto json = Base::Json::parse(body.value_or(QByteArray())); // none is undecodable too
    const auto* voices = voiceList(json);
    if (!voices) {
        log().error("diag voices: undecodable payload");
        return;
    }
    log().notice("diag voices count=%{public}ld", qint64(voices->size()));
    for (const auto& voice : *voices) {
        const QString label = hashLabel(voice);
        for (const QString& line : DiagJSON::flatten(voice, QString()))
            log().notice("diag voice[%{public}s].%{public}s", label, line);
    }
}

} // namespace

bool DiagnosticsProbe::isRequested() {
    return Base::Environment::isSwitchOn(switchName);
}

void DiagnosticsProbe::run() const {
    log().notice("diag probe start");
    // Each step starts when the previous one has ended; the copies keep the probe alive.
    const auto probe = std::make_shared<const DiagnosticsProbe>(*this);
    const auto get = [probe](const char* path, BodyHandler done) {
        fetch(probe->m_endpoint, *probe->m_session, QString::fromLatin1(path), std::move(done));
    };
    get("/v1/user", [get](std::optional<QByteArray> user) {
        if (user)
            logLines(QStringLiteral("user"), DiagJSON::lines(*user));
        get("/v1/user/subscription", [get](std::optional<QByteArray> subscription) {
            if (subscription)
                logLines(QStringLiteral("subscription"), DiagJSON::lines(*subscription));
            get("/v1/voices", [](std::optional<QByteArray> voices) {
                logVoices(voices);
                log().notice("diag probe end");
            });
        });
    });
}

} // namespace TTS
